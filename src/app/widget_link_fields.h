#pragma once

#include "link_fields.h"

#include <QMetaObject>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;

// The link-setting controls of the main window behind LinkFields: the one
// place where the settings' values meet the texts of the radios and lists. A
// change of either numeric field's text, typed or set, calls its change
// handler once; setting the text it already holds calls nothing.
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

    std::optional<TransmissionMode> transmissionMode() const override;
    void setTransmissionMode(std::optional<TransmissionMode> mode) override;
    WiringChoice wiringChoice() const override;
    void setWiringChoice(WiringChoice choice) override;
    QString fileNameText() const override;
    void setFileNameText(const QString &text) override;

    std::optional<quint8> baudCode() const override;
    void setBaudCode(std::optional<quint8> code) override;
    std::optional<Parity> parity() const override;
    void setParity(std::optional<Parity> parity) override;
    std::optional<StopBits> stopBits() const override;
    void setStopBits(std::optional<StopBits> stopBits) override;

private:
    // The baud list's first entry, 1200, has code 2.
    static constexpr int FirstListedBaudCode = 2;

    QLineEdit *numeric(NumericField field) const;
    static std::optional<int> selectedIndex(const QComboBox *list);
    static void selectIndex(QComboBox *list, std::optional<int> index);

    Controls controls;
    QButtonGroup *modeGroup;
    QButtonGroup *wiringGroup;
    QMetaObject::Connection addressConnection;
    QMetaObject::Connection cellSizeConnection;
};
