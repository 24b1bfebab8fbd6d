#include "main_dialog.h"

#include "about_dialog.h"
#include "app_identity.h"
#include "configuration_files.h"
#include "dialog_units.h"
#include "enter_key.h"
#include "exchange_engine.h"
#include "exchange_timers.h"
#include "file_dialogs.h"
#include "link_settings.h"
#include "message_boxes.h"
#include "progress_view.h"
#include "register_list_view.h"
#include "register_properties_dialog.h"
#include "register_table.h"
#include "spin_button.h"
#include "system_menu.h"
#include "widget_link_fields.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

class ProgressBarView : public ProgressView
{
public:
    explicit ProgressBarView(QProgressBar *bar) : bar(bar) {}
    int maximum() const override { return bar->maximum(); }
    void setValue(int value) override { bar->setValue(value); }

private:
    QProgressBar *bar;
};

QString aboutEntryText()
{
    return QStringLiteral("&About Ostrivan...");
}

} // namespace

MainDialog::MainDialog(UserMessages *sink, FileChooser *chooser, QWidget *parent)
    : QDialog(parent), ownMessages(sink ? nullptr : std::make_unique<MessageBoxes>(this)),
      messageSink(sink), messages(sink ? *sink : *ownMessages)
{
    setWindowTitle(QStringLiteral("Ostrivan"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(AppIdentity::dialogFont());
    ui = MainControls::create(this, DialogUnits(fontMetrics()));

    table = std::make_unique<RegisterTable>(*ui.registerList);
    fields = std::make_unique<WidgetLinkFields>(
        WidgetLinkFields::Controls{ui.deviceAddress, ui.cellSize, ui.ascii, ui.rtu, ui.threeWire,
                                   ui.fourWire, ui.fileName, ui.baudRate, ui.parity, ui.stopBits});
    link = std::make_unique<LinkSettingsEditor>(*fields, messages, *table, configFileName);
    progressView = std::make_unique<ProgressBarView>(ui.progress);
    timers = std::make_unique<QtExchangeTimers>([this](int id) { engine->onTimer(id); });
    engine = std::make_unique<ExchangeEngine>(port, *timers, *progressView, messages, *table, *link,
                                              configFileName);
    if (!chooser)
        ownFileDialogs = std::make_unique<FileDialogs>(this);
    files = std::make_unique<ConfigurationFiles>(chooser ? *chooser : *ownFileDialogs, messages,
                                                 *table, *link, engine->deviceId, configFileName);

    connect(ui.read, &QPushButton::clicked, this, &MainDialog::onReadClicked);
    connect(ui.write, &QPushButton::clicked, this, &MainDialog::onWriteClicked);
    connect(ui.save, &QPushButton::clicked, this, &MainDialog::saveConfiguration);
    connect(ui.open, &QPushButton::clicked, this, &MainDialog::loadConfiguration);
    connect(ui.port, &QComboBox::activated, this, &MainDialog::onPortChanged);
    connect(ui.threeWire, &QAbstractButton::clicked, this, [this] { link->onThreeWireClicked(); });
    connect(ui.fourWire, &QAbstractButton::clicked, this, [this] { link->onFourWireClicked(); });
    connect(ui.registerList, &RegisterListView::listDoubleClicked, this,
            &MainDialog::onListDoubleClicked);
}

MainDialog::~MainDialog()
{
    // The timers go first: nothing may fire into a half-destroyed window.
    timers.reset();
    files.reset();
    engine.reset();
    link.reset();
}

void MainDialog::showEvent(QShowEvent *event)
{
    if (!windowInitialized)
        initWindow();
    QDialog::showEvent(event);
}

void MainDialog::initWindow()
{
    if (windowInitialized)
        return;
    windowInitialized = true;

    // Shows the members as constructed: the cell size field reads "0" and
    // its handler makes the member 1.
    link->showFields();
    appendToSystemMenu(this, aboutEntryText());
    setWindowIcon(AppIdentity::icon());
    ui.cellSizeSpin->setBuddy(ui.cellSize);
    ui.cellSizeSpin->setRange(0, 255);
    engine->deviceId = 0;
    ui.registerList->insertColumns();
    configFileName.clear();
    ui.progress->setRange(0, ExchangeEngine::ProgressMaximum);
    ui.progress->setValue(0);
    engine->progressTotal = 0;
    engine->busy = false;
    link->settings.wiringByte = LinkSettings::FourWireByte;
    ui.addressSpin->setBuddy(ui.deviceAddress);
    ui.addressSpin->setRange(0, LinkSettings::MaxDeviceAddress);

    ports.probe();
    ui.port->setCurrentIndex(ui.port->findText(ports.selectedPortName));
    ui.port->setToolTip(port.isOpen() ? port.location() : QString());

    link->showFields();
    link->initialized = true;
    ui.write->setFocus(Qt::OtherFocusReason);
}

void MainDialog::takeFields()
{
    link->takeFields();
}

void MainDialog::showFields()
{
    link->showFields();
}

int MainDialog::firstSelectedRow() const
{
    return ::firstSelectedRow(*ui.registerList);
}

void MainDialog::onReadClicked()
{
    engine->onReadClicked();
}

void MainDialog::onWriteClicked()
{
    engine->onWriteClicked();
}

void MainDialog::onPortChanged()
{
    ports.onPortChanged(ui.port->currentText());
    ui.port->setCurrentIndex(ui.port->findText(ports.selectedPortName));
    // A failed pick is not a message, but the reason stays at hand.
    ui.port->setToolTip(!ports.failureReason.isEmpty() ? ports.failureReason
                        : port.isOpen()                ? port.location()
                                                       : QString());
}

void MainDialog::onListDoubleClicked()
{
    takeFields();
    if (firstSelectedRow() < 0)
        return;
    // The timers keep running while it is open; whatever it changed is in
    // the list and the table when it closes.
    RegisterPropertiesDialog dialog(*table, link->settings.cellSize, messageSink, this);
    dialog.exec();
}

void MainDialog::saveConfiguration()
{
    files->saveConfiguration();
}

void MainDialog::loadConfiguration()
{
    files->loadConfiguration();
}

void MainDialog::showAbout()
{
    AboutDialog about(this);
    about.setWindowIcon(AppIdentity::icon());
    about.exec();
}

void MainDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter does nothing where no button has the focus.
    bool pressed = false;
    if (pressFocusedButtonOnEnter(this, event, pressed))
        return;
    if (event->key() == Qt::Key_F1)
        showAbout();
    else
        QDialog::keyPressEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent *event)
{
    // Window systems without a window menu get the About entry here.
    QMenu menu(this);
    menu.addAction(aboutEntryText(), this, &MainDialog::showAbout);
    menu.exec(event->globalPos());
}

bool MainDialog::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    if (isAboutCommand(eventType, message)) {
        showAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
