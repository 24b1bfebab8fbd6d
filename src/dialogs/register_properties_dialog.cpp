#include "register_properties_dialog.h"

#include "app_identity.h"
#include "coefficient.h"
#include "config_image.h"
#include "cp1251.h"
#include "dialog_units.h"
#include "enter_key.h"
#include "exchange_error.h"
#include "message_boxes.h"
#include "register_edit_rules.h"
#include "session.h"
#include "spin_button.h"
#include "text_number.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace RegisterEditRules;

using Column = RegisterTable::Column;

RegisterPropertiesDialog::RegisterPropertiesDialog(Session &session,
                                                   std::function<int()> firstSelectedRow,
                                                   UserMessages *sink, QWidget *parent)
    : QDialog(parent), ownMessages(sink ? nullptr : std::make_unique<MessageBoxes>(this)),
      messages(sink ? *sink : *ownMessages), session(session),
      firstSelectedRow(std::move(firstSelectedRow))
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

    const RegisterTable &table = session.table;
    const int row = this->firstSelectedRow();
    if (row >= 0) {
        nameText = table.shownText(row, Column::Name);
        addressText = table.shownText(row, Column::Address);
        sizeBytes = quint8(TextNumber::parseInt(table.shownText(row, Column::Size)) & 0xFF);
        coefficientText = table.shownText(row, Column::Coefficient);
    }
    showFields();
    setWindowTitle(QStringLiteral("%1 %2").arg(QStringLiteral("Свойства:"), fromCp1251(nameText)));
    openedGeneration = table.generation();
    ok->setFocus(Qt::OtherFocusReason);
}

RegisterPropertiesDialog::~RegisterPropertiesDialog()
{
    disconnect(address, nullptr, this, nullptr);
}

bool RegisterPropertiesDialog::readFields()
{
    addressText = toCp1251(address->text());
    const std::optional<quint8> typedSize = TextNumber::parseByteField(size->text());
    if (!typedSize) {
        messages.show(integerFieldRefusal());
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

bool RegisterPropertiesDialog::askShift()
{
    return messages.ask(
        {errorCaption(),
         QStringLiteral("Данный адрес используется другим регистром. Сдвинуть регистры?"),
         MessageIcon::None},
        MessageQuestion::YesNo);
}

void RegisterPropertiesDialog::onOkClicked()
{
    // A size that is no whole number 0 to 255 keeps the dialog open with
    // its message; nothing is stored.
    if (!readFields())
        return;
    addressText = RegisterEditRules::addressText(parseAddress(addressText));
    const quint32 newAddress = parseAddress(addressText);
    // The table and the list as they are now: a reply may have changed them
    // while the dialog was open. A table rebuilt or replaced meanwhile holds
    // other registers, and the edit lands on none of them.
    RegisterTable &table = session.table;
    const int editedRow = firstSelectedRow();
    if (editedRow < 0 || table.generation() != openedGeneration) {
        reject();
        return;
    }
    const int cellSize = session.link.cellSize;
    const int newUnits = RegisterTable::addressUnits(sizeBytes, cellSize);
    const QList<RegisterTable::ListedAddress> before = table.listedAddresses();
    const OverlapOutcome overlaps =
        resolveOverlaps(table, editedRow, newAddress, newUnits, cellSize, [this] {
            // A Yes shows the fields again.
            const bool shift = askShift();
            if (shift)
                showFields();
            return shift;
        });
    // Shifts the user confirmed must leave a layout the device can hold;
    // otherwise they are undone and the edit is refused.
    if (overlaps.shifted && !isHoldableLayout(table, editedRow, newAddress, newUnits, cellSize)) {
        table.restoreListedAddresses(before);
        messages.show(
            {errorCaption(), QStringLiteral("Данный адрес не доступен"), MessageIcon::None});
        return;
    }
    bool accepted = overlaps.accepted;

    // Unsigned, so that a negative address is refused too.
    if (newAddress >= FirstReservedAddress) {
        messages.show(
            {errorCaption(), QStringLiteral("Данный адрес не доступен"), MessageIcon::None});
        accepted = false;
    }

    const QByteArray rowName = table.shownText(editedRow, Column::Name);
    const double k = TextNumber::parseReal(coefficientText);
    if (!Coefficient::isSpecial(rowName)) {
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
        if (!Coefficient::fitsDevice(k)) {
            messages.show({errorCaption(), coefficientRefusalText(rowName), MessageIcon::None});
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
