#pragma once

#include "link_fields.h"

#include <QMetaObject>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;

// The link-setting controls of the main window behind LinkFields. A change of
// either numeric field's text, typed or set, calls its change handler once;
// setting the text it already holds calls nothing.
class WidgetLinkFields : public LinkFields
{
public:
    struct Controls
    {
        QLineEdit *deviceAddress;
        QLineEdit *cellSize;
        QRadioButton *ascii;
        QRadioButton *rtu;
        QRadioButton *threeWire;
        QRadioButton *fourWire;
        QLineEdit *fileName;
        QComboBox *baudRate;
        QComboBox *parity;
        QComboBox *stopBits;
    };

    explicit WidgetLinkFields(const Controls &controls);
    ~WidgetLinkFields() override;
    WidgetLinkFields(const WidgetLinkFields &) = delete;
    WidgetLinkFields &operator=(const WidgetLinkFields &) = delete;

    QString numericText(NumericField field) const override;
    void setNumericText(NumericField field, const QString &text) override;
    void focusAndSelect(NumericField field) override;

    TransmissionMode transmissionMode() const override;
    void setTransmissionMode(TransmissionMode mode) override;
    WiringChoice wiringChoice() const override;
    void setWiringChoice(WiringChoice choice) override;
    QString fileNameText() const override;
    void setFileNameText(const QString &text) override;

    QString selectedText(Choice list) const override;
    bool select(Choice list, const QString &text) override;

private:
    QLineEdit *numeric(NumericField field) const;
    QComboBox *combo(Choice list) const;

    Controls controls;
    QButtonGroup *modeGroup;
    QButtonGroup *wiringGroup;
    QMetaObject::Connection addressConnection;
    QMetaObject::Connection cellSizeConnection;
};
