#include "main_controls.h"

#include "dialog_units.h"
#include "display_texts.h"
#include "port_choice.h"
#include "register_list_view.h"
#include "spin_button.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Client area of the window, in layout units.
constexpr int ClientWidth = 412;
constexpr int ClientHeight = 306;

class Placer
{
public:
    Placer(QWidget *window, const DialogUnits &units) : window(window), units(units) {}

    template <typename Widget>
    Widget *place(Widget *widget, int left, int top, int width, int height)
    {
        widget->setParent(window);
        widget->setGeometry(units.rect(left, top, width, height));
        return widget;
    }

    // Drop-down lists take the height their font needs.
    QComboBox *placeList(int left, int top, int width)
    {
        auto *list = new QComboBox(window);
        list->setEditable(false);
        list->setMaxVisibleItems(10);
        list->setGeometry(units.x(left), units.y(top), units.x(width), list->sizeHint().height());
        return list;
    }

    QLabel *label(const QString &text, int left, int top, int width, int height)
    {
        return place(new QLabel(text), left, top, width, height);
    }

    QLabel *label(const char *text, int left, int top, int width, int height)
    {
        return label(QString::fromUtf8(text), left, top, width, height);
    }

    QGroupBox *frame(const char *title, int left, int top, int width, int height)
    {
        return place(new QGroupBox(QString::fromUtf8(title)), left, top, width, height);
    }

    QPushButton *button(const char *text, int left, int top, int width, int height)
    {
        auto *button = place(new QPushButton(QString::fromUtf8(text)), left, top, width, height);
        // Enter presses a button only while it has the focus; the window
        // handles that itself, so no button is ever the default.
        button->setAutoDefault(false);
        return button;
    }

    QRadioButton *radio(const QString &text, int left, int top, int width, int height)
    {
        auto *radio = place(new QRadioButton(text), left, top, width, height);
        radio->setFocusPolicy(Qt::ClickFocus);
        return radio;
    }

private:
    QWidget *window;
    const DialogUnits &units;
};

} // namespace

MainControls MainControls::create(QWidget *window, const DialogUnits &units)
{
    Placer p(window, units);
    MainControls c{};

    // Frames first, so that the controls inside them lie on top.
    p.frame("MODBUS", 10, 140, 90, 85);
    p.frame("RS-485", 115, 140, 135, 85);
    p.frame("Файл конфигурации", 10, 235, 240, 55);

    // Created in tab order.
    c.write = p.button("Запись", 350, 265, 50, 15);
    c.read = p.button("Чтение", 260, 265, 50, 15);

    p.label(DisplayTexts::label(DisplayTexts::Field::DeviceAddress), 20, 155, 65, 10);
    c.deviceAddress = p.place(new QLineEdit, 20, 171, 50, 12);
    c.addressSpin = p.place(new SpinButton, 75, 170, 11, 15);

    p.label(DisplayTexts::label(DisplayTexts::Field::BaudRate), 120, 155, 50, 10);
    c.baudRate = p.placeList(121, 170, 50);
    p.label(DisplayTexts::label(DisplayTexts::Field::Parity), 120, 190, 35, 10);
    c.parity = p.placeList(121, 205, 50);
    p.label(DisplayTexts::label(DisplayTexts::Field::StopBits), 192, 155, 55, 10);
    c.stopBits = p.placeList(191, 170, 49);
    p.label("Порт", 190, 190, 25, 10);
    c.port = p.placeList(191, 205, 50);
    c.port->addItems(PortChoice::entries());

    c.open = p.button("Открыть", 25, 265, 50, 15);
    c.save = p.button("Сохранить", 185, 265, 50, 15);

    QLabel *heading = p.label("Измеряемые параметры", 163, 5, 85, 10);
    heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.registerList = p.place(new RegisterListView, 10, 15, 390, 115);

    p.label(DisplayTexts::label(DisplayTexts::Field::CellSize), 280, 155, 100, 10);
    c.cellSize = p.place(new QLineEdit, 305, 170, 35, 12);
    c.cellSizeSpin = p.place(new SpinButton, 345, 168, 11, 15);

    p.label(DisplayTexts::label(DisplayTexts::Field::Mode), 20, 190, 65, 10);
    c.ascii = p.radio(QStringLiteral(" ASCII"), 20, 205, 35, 15);
    c.rtu = p.radio(QStringLiteral(" RTU"), 60, 205, 30, 15);
    c.threeWire = p.radio(DisplayTexts::wiringWord(true), 290, 195, 80, 10);
    c.fourWire = p.radio(DisplayTexts::wiringWord(false), 290, 210, 80, 10);

    c.progress = p.place(new QProgressBar, 260, 240, 140, 15);
    c.progress->setTextVisible(false);
    c.fileName = p.place(new QLineEdit, 95, 265, 70, 12);
    c.fileName->setEnabled(false);
    c.fileName->setFocusPolicy(Qt::NoFocus);

    QWidget::setTabOrder(c.write, c.read);
    QWidget::setTabOrder(c.read, c.deviceAddress);
    QWidget::setTabOrder(c.deviceAddress, c.baudRate);
    QWidget::setTabOrder(c.baudRate, c.parity);
    QWidget::setTabOrder(c.parity, c.stopBits);
    QWidget::setTabOrder(c.stopBits, c.port);
    QWidget::setTabOrder(c.port, c.open);
    QWidget::setTabOrder(c.open, c.save);
    QWidget::setTabOrder(c.save, c.registerList);
    QWidget::setTabOrder(c.registerList, c.cellSize);

    window->setFixedSize(units.x(ClientWidth), units.y(ClientHeight));
    return c;
}
