#pragma once

#include "link_fields.h"
#include "user_messages.h"

#include <QString>
#include <QtGlobal>
#include <optional>

class RegisterTable;

// The transducer's own link settings as the window holds them. Its baud rate,
// parity and stop bits are the selections of their lists and live only there.
struct LinkSettings
{
    quint8 deviceAddress = 0;
    TransmissionMode transmissionMode = TransmissionMode::Unset;
    quint8 cellSize = 0;      // 1 to 4 once the window is open
    quint8 wiringByte = 0x10; // four-wire, while no radio is checked
    WiringChoice wiringChoice = WiringChoice::Unset;

    static constexpr quint8 ThreeWireByte = 0x20;
    static constexpr quint8 FourWireByte = 0x10;
    static constexpr int MaxDeviceAddress = 247;
};

// Moves the link settings between the members and the fields and checks them
// as they change.
class LinkSettingsEditor
{
public:
    LinkSettingsEditor(LinkFields &fields, UserMessages &messages, RegisterTable &table,
                       QString &configFileName);
    ~LinkSettingsEditor();
    LinkSettingsEditor(const LinkSettingsEditor &) = delete;
    LinkSettingsEditor &operator=(const LinkSettingsEditor &) = delete;

    // What the window does with the fields as it opens: shows the members as
    // constructed, then again once the cell size has been corrected.
    void initFields();

    // Fields into members: transmission mode, file name, cell size, wiring,
    // device address. A numeric field that is not a whole number 0 to 255 is
    // refused with a message and stops the taking there. Returns whether every
    // field was taken.
    bool takeFields();
    // Members into fields, the cell size last.
    void showFields();

    void onAddressChanged();
    void onCellSizeChanged();
    void onThreeWireClicked();
    void onFourWireClicked();

    LinkSettings settings;
    bool initialized = false;
    // Off while a device's answer is shown: the addresses it reports are the
    // ones it holds and are not laid out again for its cell size.
    bool relayoutOnCellSizeChange = true;

    LinkFields &fields() const { return linkFields; }

    // Reads a numeric field as a whole number 0 to 255 with blanks or tabs
    // around it; nullopt for anything else.
    static std::optional<quint8> parseByteField(const QString &text);
    // The caption of the field-check message: the program's file name
    // without its extension.
    static QString programName();

private:
    bool takeNumeric(LinkFields::NumericField field, quint8 &member);

    LinkFields &linkFields;
    UserMessages &messages;
    RegisterTable &table;
    QString &configFileName;
};
