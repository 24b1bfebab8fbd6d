#include "register_properties_dialog.h"

#include "app_identity.h"
#include "config_image.h"
#include "cp1251.h"
#include "dialog_units.h"
#include "enter_key.h"
#include "link_settings.h"
#include "message_boxes.h"
#include "register_edit_rules.h"
#include "register_table.h"
#include "spin_button.h"
#include "text_number.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace RegisterEditRules;

namespace {

QString sizeRefusalText()
{
    return QStringLiteral("Please enter an integer between 0 and 255.");
}

} // namespace

RegisterPropertiesDialog::RegisterPropertiesDialog(RegisterTable &table, const quint8 &cellSize,
                                                   UserMessages *sink, QWidget *parent)
    : QDialog(parent), ownMessages(sink ? nullptr : std::make_unique<MessageBoxes>(this)),
      messages(sink ? *sink : *ownMessages), table(table), cellSize(cellSize)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(AppIdentity::dialogFont());
    const DialogUnits units(fontMetrics());
    const auto place = [this, &units](QWidget *widget, int l, int t, int w, int h) {
        widget->setParent(this);
        widget->setGeometry(units.rect(l, t, w, h));
    };
    const auto button = [](const QString &text) {
        auto *button = new QPushButton(text);
        button->setAutoDefault(false);
        return button;
    };

    // Created in tab order: OK, Cancel, address, size, coefficient.
    ok = button(QStringLiteral("OK"));
    place(ok, 7, 55, 50, 14);
    cancel = button(QStringLiteral("Cancel"));
    place(cancel, 330, 55, 50, 14);

    place(new QLabel(QStringLiteral("Адрес")), 7, 8, 90, 9);
    address = new QLineEdit;
    place(address, 7, 20, 80, 12);
    addressSpin = new SpinButton;
    place(addressSpin, 88, 19, 11, 14);

    place(new QLabel(QStringLiteral("Размер регистра, байт")), 125, 8, 110, 9);
    size = new QLineEdit;
    place(size, 125, 20, 60, 12);
    sizeSpin = new SpinButton;
    place(sizeSpin, 186, 19, 11, 14);

    place(new QLabel(QStringLiteral("Нормирующий коэффициент")), 240, 8, 140, 9);
    coefficient = new QLineEdit;
    place(coefficient, 240, 20, 140, 12);

    // Holds the name for the field exchange; never shown.
    name = new QLineEdit(this);
    name->setReadOnly(true);
    name->hide();

    setTabOrder(ok, cancel);
    setTabOrder(cancel, address);
    setTabOrder(address, size);
    setTabOrder(size, coefficient);
    setFixedSize(units.x(387), units.y(76));

    connect(ok, &QPushButton::clicked, this, &RegisterPropertiesDialog::onOkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(address, &QLineEdit::textChanged, this,
            &RegisterPropertiesDialog::onAddressTextChanged);

    // Opening.
    addressSpin->setRange(0, 0xFFFF);
    addressSpin->setBuddy(address);
    // A step starts from the address last taken, not from what is typed.
    addressSpin->stepOrigin = [this] {
        spinStepPending = true;
        return int(parseAddress(addressText) & 0xFFFF);
    };
    sizeSpin->setBuddy(size);
    sizeSpin->setRange(0, 255);

    RegisterList &list = table.registerList();
    const int row = firstSelectedRow(list);
    if (row >= 0) {
        nameText = list.text(row, RegisterList::NameColumn);
        addressText = list.text(row, RegisterList::AddressColumn);
        sizeBytes = quint8(TextNumber::parseInt(list.text(row, RegisterList::SizeColumn)) & 0xFF);
        coefficientText = list.text(row, RegisterList::CoefficientColumn);
    }
    showFields();
    setWindowTitle(QStringLiteral("%1 %2").arg(QStringLiteral("Свойства:"), fromCp1251(nameText)));
    ok->setFocus(Qt::OtherFocusReason);
}

RegisterPropertiesDialog::~RegisterPropertiesDialog()
{
    disconnect(address, nullptr, this, nullptr);
}

bool RegisterPropertiesDialog::readFields()
{
    addressText = toCp1251(address->text());
    const std::optional<quint8> typedSize = LinkSettingsEditor::parseByteField(size->text());
    if (!typedSize) {
        messages.show(
            {LinkSettingsEditor::programName(), sizeRefusalText(), MessageIcon::Exclamation});
        size->setFocus(Qt::OtherFocusReason);
        size->selectAll();
        return false;
    }
    sizeBytes = *typedSize;
    nameText = toCp1251(name->text());
    coefficientText = toCp1251(coefficient->text());
    return true;
}

void RegisterPropertiesDialog::showFields()
{
    address->setText(fromCp1251(addressText));
    size->setText(QString::number(sizeBytes));
    name->setText(fromCp1251(nameText));
    coefficient->setText(fromCp1251(coefficientText));
}

void RegisterPropertiesDialog::onAddressTextChanged()
{
    // Only the decimal position a spin step wrote goes into normal form.
    if (!spinStepPending)
        return;
    spinStepPending = false;
    const int position = address->text().toInt();
    readFields();
    addressText = RegisterEditRules::addressText(quint32(position));
    showFields();
}

void RegisterPropertiesDialog::normalizeFields()
{
    readFields();
    addressText = RegisterEditRules::addressText(parseAddress(addressText));
    coefficientText = TextNumber::formatFixed(TextNumber::parseReal(coefficientText), 3);
    showFields();
}

bool RegisterPropertiesDialog::resolveOverlaps(int editedRow, quint32 newAddress)
{
    const int newUnits = RegisterTable::addressUnits(sizeBytes, cellSize);
    RegisterList &list = table.registerList();
    bool accepted = true;
    for (int i = 0; i < list.count(); ++i) {
        if (i == editedRow)
            continue;
        // Read afresh: an earlier shift may have moved this row.
        const quint32 rowAddress = parseAddress(list.text(i, RegisterList::AddressColumn));
        const int rowUnits = RegisterTable::addressUnits(
            TextNumber::parseInt(list.text(i, RegisterList::SizeColumn)) & 0xFF, cellSize);
        for (int j = 0; j < rowUnits; ++j) {
            for (int k = 0; k < newUnits; ++k) {
                if (newAddress + quint32(k) != rowAddress + quint32(j))
                    continue;
                const bool shift =
                    messages.ask({errorCaption(),
                                  QStringLiteral("Данный адрес используется другим регистром. "
                                                 "Сдвинуть регистры?"),
                                  MessageIcon::None},
                                 MessageQuestion::YesNo);
                if (shift) {
                    shiftRegisters(table, i, rowAddress + quint32(j), cellSize);
                    showFields();
                } else {
                    accepted = false;
                }
            }
        }
    }
    return accepted;
}

void RegisterPropertiesDialog::onOkClicked()
{
    readFields();
    addressText = RegisterEditRules::addressText(parseAddress(addressText));
    const quint32 newAddress = parseAddress(addressText);
    // The list as it is now: a reply may have rebuilt it while the dialog
    // was open.
    const int editedRow = firstSelectedRow(table.registerList());
    if (editedRow < 0) {
        reject();
        return;
    }
    bool accepted = resolveOverlaps(editedRow, newAddress);

    // Unsigned, so that a negative address is refused too.
    if (newAddress >= FirstReservedAddress) {
        messages.show(
            {errorCaption(), QStringLiteral("Данный адрес не доступен"), MessageIcon::None});
        accepted = false;
    }

    const QByteArray rowName = table.registerList().text(editedRow, RegisterList::NameColumn);
    const double k = TextNumber::parseReal(coefficientText);
    if (!RegisterTable::isSpecialRegister(rowName)) {
        if (const std::optional<QString> range = coefficientRangeText(rowName, k)) {
            const bool goOn =
                messages.ask({warningCaption(),
                              QStringLiteral("%1\n%2").arg(
                                  QStringLiteral("Вы выходите за разрешенный диапазон"), *range),
                              MessageIcon::Exclamation},
                             MessageQuestion::OkCancel);
            if (!goOn) {
                reject();
                return;
            }
        }
    } else {
        coefficientText = TextNumber::formatFixed(k, 3);
        // The device keeps a special register's coefficient as a fraction
        // below 256; anything else would be written wrongly.
        if (!ConfigImage::fitsDevice(k)) {
            messages.show({errorCaption(),
                           QStringLiteral("Недопустимый коэффициент регистра \"%1\"")
                               .arg(fromCp1251(rowName)),
                           MessageIcon::None});
            accepted = false;
        }
    }

    if (!accepted)
        return;
    table.setRow(editedRow, addressText, TextNumber::formatInt(sizeBytes), coefficientText);
    accept();
}

void RegisterPropertiesDialog::keyPressEvent(QKeyEvent *event)
{
    // In a field Enter only puts the values into their normal form.
    bool pressed = false;
    if (pressFocusedButtonOnEnter(this, event, pressed)) {
        if (!pressed)
            normalizeFields();
        return;
    }
    QDialog::keyPressEvent(event);
}
