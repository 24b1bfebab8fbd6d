#include "link_settings.h"

#include "register_table.h"
#include "text_number.h"

#include <QCoreApplication>
#include <QFileInfo>

using NumericField = LinkFields::NumericField;

LinkSettingsEditor::LinkSettingsEditor(LinkFields &fields, UserMessages &messages,
                                       RegisterTable &table, QString &configFileName)
    : linkFields(fields), messages(messages), table(table), configFileName(configFileName)
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
    showFields();
    showFields();
    initialized = true;
}

std::optional<quint8> LinkSettingsEditor::parseByteField(const QString &text)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    if (begin == end)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 255)
            return std::nullopt;
    }
    return quint8(value);
}

QString LinkSettingsEditor::programName()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("ostrivan");
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

bool LinkSettingsEditor::takeNumeric(NumericField field, quint8 &member)
{
    const std::optional<quint8> value = parseByteField(linkFields.numericText(field));
    if (!value) {
        messages.show({programName(), QStringLiteral("Please enter an integer between 0 and 255."),
                       MessageIcon::Exclamation});
        linkFields.focusAndSelect(field);
        return false;
    }
    member = *value;
    return true;
}

bool LinkSettingsEditor::takeFields()
{
    settings.transmissionMode = linkFields.transmissionMode();
    configFileName = linkFields.fileNameText();
    if (!takeNumeric(NumericField::CellSize, settings.cellSize))
        return false;
    settings.wiringChoice = linkFields.wiringChoice();
    return takeNumeric(NumericField::DeviceAddress, settings.deviceAddress);
}

void LinkSettingsEditor::showFields()
{
    // The cell size goes last: its change handler takes all fields back, and
    // they must show the members by then, or a device address or wiring just
    // read would be replaced by what the fields showed before.
    linkFields.setTransmissionMode(settings.transmissionMode);
    linkFields.setFileNameText(configFileName);
    linkFields.setWiringChoice(settings.wiringChoice);
    linkFields.setNumericText(NumericField::DeviceAddress, QString::number(settings.deviceAddress));
    linkFields.setNumericText(NumericField::CellSize, QString::number(settings.cellSize));
}

void LinkSettingsEditor::onAddressChanged()
{
    const int value =
        TextNumber::parseInt(linkFields.numericText(NumericField::DeviceAddress).toLatin1());
    if (value <= LinkSettings::MaxDeviceAddress)
        return;
    messages.show({errorCaption(), QStringLiteral("Адрес устройства не должен превышать 247"),
                   MessageIcon::None});
    settings.deviceAddress = LinkSettings::MaxDeviceAddress;
    showFields();
}

void LinkSettingsEditor::onCellSizeChanged()
{
    const int typed =
        TextNumber::parseInt(linkFields.numericText(NumericField::CellSize).toLatin1());
    quint8 cellSize = quint8(typed & 0xFF);
    cellSize = std::clamp<quint8>(cellSize, 1, 4);
    settings.cellSize = cellSize;
    if (initialized)
        showFields();
    if (table.rowCount() == 0)
        return;
    const quint8 corrected = settings.cellSize;
    takeFields();
    if (settings.cellSize == 0) {
        // The re-layout divides by the cell size.
        messages.show({errorCaption(), QStringLiteral("Неверное значение размера ячеки памяти"),
                       MessageIcon::None});
        settings.cellSize = corrected;
        showFields();
        return;
    }
    if (relayoutOnCellSizeChange)
        table.relayoutAddresses(settings.cellSize);
    showFields();
}

void LinkSettingsEditor::onThreeWireClicked()
{
    takeFields();
    settings.wiringByte = LinkSettings::ThreeWireByte;
}

void LinkSettingsEditor::onFourWireClicked()
{
    takeFields();
    settings.wiringByte = LinkSettings::FourWireByte;
}
