#include "link_settings_editor.h"

#include "exchange_error.h"
#include "session.h"
#include "text_number.h"
#include "user_messages.h"

using NumericField = LinkFields::NumericField;

LinkSettingsEditor::LinkSettingsEditor(LinkFields &fields, UserMessages &messages, Session &session)
    : linkFields(fields), messages(messages), session(session)
{
    linkFields.addressChanged = [this] { onAddressChanged(); };
    linkFields.cellSizeChanged = [this] { onCellSizeChanged(); };
}

LinkSettingsEditor::~LinkSettingsEditor()
{
    linkFields.addressChanged = nullptr;
    linkFields.cellSizeChanged = nullptr;
}

void LinkSettingsEditor::initFields()
{
    // The cell-size field reads "0" first and its handler makes the value 1.
    showFields();
    session.deviceId = 0;
    session.configFileName.clear();
    session.link.wiringByte = LinkSettings::FourWireByte;
    showFields();
    initialized = true;
}

bool LinkSettingsEditor::takeNumeric(NumericField field, quint8 &member)
{
    const std::optional<quint8> value = TextNumber::parseByteField(linkFields.numericText(field));
    if (!value) {
        messages.show(integerFieldRefusal());
        linkFields.focusAndSelect(field);
        return false;
    }
    member = *value;
    return true;
}

bool LinkSettingsEditor::takeFields()
{
    LinkSettings &link = session.link;
    // The lists are their own settings: a refused field does not stop them.
    // A list without a selection keeps the rate it could not show (a device
    // or a file may bring one), so that it is saved back as it came.
    if (const std::optional<quint8> code = linkFields.baudCode())
        link.baudCode = code;
    link.parity = linkFields.parity();
    link.stopBits = linkFields.stopBits();
    link.transmissionMode = linkFields.transmissionMode();
    session.configFileName = linkFields.fileNameText();
    if (!takeNumeric(NumericField::CellSize, link.cellSize))
        return false;
    link.wiringChoice = linkFields.wiringChoice();
    return takeNumeric(NumericField::DeviceAddress, link.deviceAddress);
}

bool LinkSettingsEditor::showFields()
{
    const LinkSettings &link = session.link;
    const int changesBefore = shownCellSizeChanges;
    ++showing;
    // The cell size goes last: its change handler takes all fields back, and
    // they must show the values by then, or a device address or wiring just
    // read would be replaced by what the fields showed before.
    linkFields.setTransmissionMode(link.transmissionMode);
    linkFields.setFileNameText(session.configFileName);
    linkFields.setWiringChoice(link.wiringChoice);
    linkFields.setNumericText(NumericField::DeviceAddress, QString::number(link.deviceAddress));
    linkFields.setNumericText(NumericField::CellSize, QString::number(link.cellSize));
    --showing;
    return shownCellSizeChanges != changesBefore;
}

void LinkSettingsEditor::showLinkChoices()
{
    linkFields.setBaudCode(session.link.baudCode);
    linkFields.setParity(session.link.parity);
    linkFields.setStopBits(session.link.stopBits);
}

void LinkSettingsEditor::onAddressChanged()
{
    const int value =
        TextNumber::parseInt(linkFields.numericText(NumericField::DeviceAddress).toLatin1());
    if (value <= LinkSettings::MaxDeviceAddress)
        return;
    messages.show({errorCaption(),
                   exchangeErrorMessage(ExchangeError::of(ExchangeError::Kind::DeviceAddress)).text,
                   MessageIcon::None});
    session.link.deviceAddress = LinkSettings::MaxDeviceAddress;
    showFields();
}

void LinkSettingsEditor::onCellSizeChanged()
{
    // A size the program shows is laid out, if at all, by whoever showed it.
    const bool typed = showing == 0;
    if (!typed)
        ++shownCellSizeChanges;
    LinkSettings &link = session.link;
    const int text =
        TextNumber::parseInt(linkFields.numericText(NumericField::CellSize).toLatin1());
    link.cellSize = std::clamp<quint8>(quint8(text & 0xFF), 1, 4);
    if (initialized)
        showFields();
    if (session.table.rowCount() == 0)
        return;
    const quint8 corrected = link.cellSize;
    takeFields();
    if (link.cellSize == 0) {
        // The re-layout divides by the cell size.
        messages.show({errorCaption(),
                       exchangeErrorMessage(ExchangeError::of(ExchangeError::Kind::CellSize)).text,
                       MessageIcon::None});
        link.cellSize = corrected;
        if (showFields())
            session.table.relayoutAddresses(link.cellSize);
        return;
    }
    if (typed)
        session.table.relayoutAddresses(link.cellSize);
    showFields();
}

void LinkSettingsEditor::onThreeWireClicked()
{
    takeFields();
    session.link.wiringByte = LinkSettings::ThreeWireByte;
}

void LinkSettingsEditor::onFourWireClicked()
{
    takeFields();
    session.link.wiringByte = LinkSettings::FourWireByte;
}
