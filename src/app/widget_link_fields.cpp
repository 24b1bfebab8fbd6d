#include "widget_link_fields.h"

#include "display_texts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace {

// Checks one radio of a pair, or neither: an exclusive group would not let
// its checked radio go.
void checkOne(QButtonGroup *group, QRadioButton *first, QRadioButton *second, int which)
{
    group->setExclusive(false);
    first->setChecked(which == 1);
    second->setChecked(which == 2);
    group->setExclusive(true);
}

} // namespace

WidgetLinkFields::WidgetLinkFields(const Controls &controls)
    : controls(controls), modeGroup(new QButtonGroup(controls.ascii)),
      wiringGroup(new QButtonGroup(controls.threeWire))
{
    modeGroup->addButton(controls.ascii);
    modeGroup->addButton(controls.rtu);
    wiringGroup->addButton(controls.threeWire);
    wiringGroup->addButton(controls.fourWire);
    // Entries in the order of the values they stand for: baud codes from 2,
    // then Parity and StopBits in their enums' order.
    controls.baudRate->addItems({"1200", "2400", "4800", "9600", "14400", "19200"});
    controls.parity->addItems(DisplayTexts::parityWords());
    controls.stopBits->addItems({"1", "2"});
    for (QComboBox *list : {controls.baudRate, controls.parity, controls.stopBits})
        list->setCurrentIndex(-1);
    // Qt reports a real change of text only, which is the rule the handlers
    // rely on.
    addressConnection = QObject::connect(controls.deviceAddress, &QLineEdit::textChanged,
                                         controls.deviceAddress, [this] {
                                             if (addressChanged)
                                                 addressChanged();
                                         });
    cellSizeConnection =
        QObject::connect(controls.cellSize, &QLineEdit::textChanged, controls.cellSize, [this] {
            if (cellSizeChanged)
                cellSizeChanged();
        });
}

WidgetLinkFields::~WidgetLinkFields()
{
    // The controls outlive this object inside their window.
    QObject::disconnect(addressConnection);
    QObject::disconnect(cellSizeConnection);
}

QLineEdit *WidgetLinkFields::numeric(NumericField field) const
{
    return field == NumericField::DeviceAddress ? controls.deviceAddress : controls.cellSize;
}

QString WidgetLinkFields::numericText(NumericField field) const
{
    return numeric(field)->text();
}

void WidgetLinkFields::setNumericText(NumericField field, const QString &text)
{
    if (numeric(field)->text() != text)
        numeric(field)->setText(text);
}

void WidgetLinkFields::focusAndSelect(NumericField field)
{
    numeric(field)->setFocus(Qt::OtherFocusReason);
    numeric(field)->selectAll();
}

std::optional<TransmissionMode> WidgetLinkFields::transmissionMode() const
{
    if (controls.ascii->isChecked())
        return TransmissionMode::Ascii;
    if (controls.rtu->isChecked())
        return TransmissionMode::Rtu;
    return std::nullopt;
}

void WidgetLinkFields::setTransmissionMode(std::optional<TransmissionMode> mode)
{
    checkOne(modeGroup, controls.ascii, controls.rtu,
             mode == TransmissionMode::Ascii ? 1
             : mode == TransmissionMode::Rtu ? 2
                                             : 0);
}

WiringChoice WidgetLinkFields::wiringChoice() const
{
    if (controls.threeWire->isChecked())
        return WiringChoice::ThreeWire;
    if (controls.fourWire->isChecked())
        return WiringChoice::FourWire;
    return WiringChoice::Unset;
}

void WidgetLinkFields::setWiringChoice(WiringChoice choice)
{
    checkOne(wiringGroup, controls.threeWire, controls.fourWire,
             choice == WiringChoice::ThreeWire  ? 1
             : choice == WiringChoice::FourWire ? 2
                                                : 0);
}

QString WidgetLinkFields::fileNameText() const
{
    return controls.fileName->text();
}

void WidgetLinkFields::setFileNameText(const QString &text)
{
    controls.fileName->setText(text);
}

std::optional<int> WidgetLinkFields::selectedIndex(const QComboBox *list)
{
    const int index = list->currentIndex();
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

void WidgetLinkFields::selectIndex(QComboBox *list, std::optional<int> index)
{
    if (!index)
        list->setCurrentIndex(-1);
    else if (*index >= 0 && *index < list->count())
        list->setCurrentIndex(*index);
}

std::optional<quint8> WidgetLinkFields::baudCode() const
{
    const std::optional<int> index = selectedIndex(controls.baudRate);
    return index ? std::optional<quint8>(quint8(FirstListedBaudCode + *index)) : std::nullopt;
}

void WidgetLinkFields::setBaudCode(std::optional<quint8> code)
{
    // A rate the list does not offer shows as no selection, never as the
    // rate selected before.
    const bool offered = code && isOfferedBaudCode(*code);
    selectIndex(controls.baudRate,
                offered ? std::optional<int>(*code - FirstListedBaudCode) : std::nullopt);
}

std::optional<Parity> WidgetLinkFields::parity() const
{
    const std::optional<int> index = selectedIndex(controls.parity);
    return index ? std::optional<Parity>(Parity(*index)) : std::nullopt;
}

void WidgetLinkFields::setParity(std::optional<Parity> parity)
{
    selectIndex(controls.parity, parity ? std::optional<int>(int(*parity)) : std::nullopt);
}

std::optional<StopBits> WidgetLinkFields::stopBits() const
{
    const std::optional<int> index = selectedIndex(controls.stopBits);
    return index ? std::optional<StopBits>(StopBits(*index)) : std::nullopt;
}

void WidgetLinkFields::setStopBits(std::optional<StopBits> stopBits)
{
    selectIndex(controls.stopBits, stopBits ? std::optional<int>(int(*stopBits)) : std::nullopt);
}
