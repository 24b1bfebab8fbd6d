#include "widget_link_fields.h"

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
    for (Choice list : {Choice::BaudRate, Choice::Parity, Choice::StopBits}) {
        combo(list)->addItems(choiceTexts(list));
        combo(list)->setCurrentIndex(-1);
    }
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

QComboBox *WidgetLinkFields::combo(Choice list) const
{
    switch (list) {
    case Choice::BaudRate:
        return controls.baudRate;
    case Choice::Parity:
        return controls.parity;
    case Choice::StopBits:
        break;
    }
    return controls.stopBits;
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

TransmissionMode WidgetLinkFields::transmissionMode() const
{
    if (controls.ascii->isChecked())
        return TransmissionMode::Ascii;
    if (controls.rtu->isChecked())
        return TransmissionMode::Rtu;
    return TransmissionMode::Unset;
}

void WidgetLinkFields::setTransmissionMode(TransmissionMode mode)
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

QString WidgetLinkFields::selectedText(Choice list) const
{
    return combo(list)->currentIndex() < 0 ? QString() : combo(list)->currentText();
}

bool WidgetLinkFields::select(Choice list, const QString &text)
{
    const int index = combo(list)->findText(text, Qt::MatchExactly);
    if (index < 0)
        return false;
    combo(list)->setCurrentIndex(index);
    return true;
}
