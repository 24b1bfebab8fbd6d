#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

enum class TransmissionMode
{
    Unset,
    Ascii,
    Rtu
};
enum class WiringChoice
{
    Unset,
    ThreeWire,
    FourWire
};

// The window's link-setting controls as the settings logic sees them. Setting
// a field's text to what it already holds is no change: only a real change
// of the device address or cell-size text calls its change handler, whether
// typed, stepped by a spin button or set by the program.
class LinkFields
{
public:
    enum class NumericField
    {
        DeviceAddress,
        CellSize
    };
    enum class Choice
    {
        BaudRate,
        Parity,
        StopBits
    };

    virtual ~LinkFields() = default;

    virtual QString numericText(NumericField field) const = 0;
    virtual void setNumericText(NumericField field, const QString &text) = 0;
    // Gives the field the focus with its whole text selected.
    virtual void focusAndSelect(NumericField field) = 0;

    virtual TransmissionMode transmissionMode() const = 0;
    virtual void setTransmissionMode(TransmissionMode mode) = 0;
    virtual WiringChoice wiringChoice() const = 0;
    virtual void setWiringChoice(WiringChoice choice) = 0;
    virtual QString fileNameText() const = 0;
    virtual void setFileNameText(const QString &text) = 0;

    // The selected entry of a list; empty while nothing is selected.
    virtual QString selectedText(Choice list) const = 0;
    // Selects the entry with that text; a text the list does not hold leaves
    // the selection as it was and gives false.
    virtual bool select(Choice list, const QString &text) = 0;

    std::function<void()> addressChanged;
    std::function<void()> cellSizeChanged;
};

// The entries of the three lists.
QStringList choiceTexts(LinkFields::Choice list);

// The fields without a window, for tests and headless tools.
class MemoryLinkFields : public LinkFields
{
public:
    QString numericText(NumericField field) const override;
    void setNumericText(NumericField field, const QString &text) override;
    void focusAndSelect(NumericField field) override { focused = field; }

    TransmissionMode transmissionMode() const override { return mode; }
    void setTransmissionMode(TransmissionMode value) override { mode = value; }
    WiringChoice wiringChoice() const override { return wiring; }
    void setWiringChoice(WiringChoice value) override { wiring = value; }
    QString fileNameText() const override { return fileName; }
    void setFileNameText(const QString &text) override { fileName = text; }

    QString selectedText(Choice list) const override;
    bool select(Choice list, const QString &text) override;

    // Which field last got the focus with its text selected, if any.
    std::optional<NumericField> focused;

private:
    QString addressText;
    QString cellSizeText;
    TransmissionMode mode = TransmissionMode::Unset;
    WiringChoice wiring = WiringChoice::Unset;
    QString fileName;
    QString selections[3];
};
