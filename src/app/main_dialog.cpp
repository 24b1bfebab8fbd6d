#include "main_dialog.h"

#include "about_dialog.h"
#include "app_identity.h"
#include "comparison_window.h"
#include "dialog_units.h"
#include "enter_key.h"
#include "exchange_engine.h"
#include "file_commands.h"
#include "file_dialogs.h"
#include "link_settings_editor.h"
#include "message_boxes.h"
#include "port_names.h"
#include "port_search.h"
#include "register_list_model.h"
#include "register_list_view.h"
#include "register_properties_dialog.h"
#include "serial_exchange.h"
#include "spin_button.h"
#include "system_menu.h"
#include "traffic_log_window.h"
#include "widget_link_fields.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

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

    listModel = std::make_unique<RegisterListModel>(state.table);
    ui.registerList->setListModel(listModel.get());
    fields = std::make_unique<WidgetLinkFields>(
        WidgetLinkFields::Controls{ui.deviceAddress, ui.cellSize, ui.ascii, ui.rtu, ui.threeWire,
                                   ui.fourWire, ui.fileName, ui.baudRate, ui.parity, ui.stopBits});
    link = std::make_unique<LinkSettingsEditor>(*fields, messages, state);
    wired = std::make_unique<SerialExchange>(port, state);
    engine = &wired->engine();
    search = std::make_unique<PortSearch>(port);
    if (!chooser)
        ownFileDialogs = std::make_unique<FileDialogs>(this);
    files = std::make_unique<FileCommands>(chooser ? *chooser : *ownFileDialogs, messages, state,
                                           *link);

    connect(engine, &ExchangeEngine::progressChanged, this, &MainDialog::onProgressChanged);
    connect(engine, &ExchangeEngine::configurationApplied, this,
            &MainDialog::onConfigurationApplied);
    connect(engine, &ExchangeEngine::errorOccurred, this, &MainDialog::onExchangeError);
    connect(engine, &ExchangeEngine::traffic, &trafficLog, &TrafficLog::append);
    connect(search.get(), &PortSearch::portTried, this, [this](int tried, int count) {
        ui.progress->setValue(ExchangeEngine::ProgressMaximum * tried / count);
    });
    connect(search.get(), &PortSearch::finished, this, &MainDialog::onSearchFinished);
    connect(search.get(), &PortSearch::traffic, &trafficLog, &TrafficLog::append);
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
    // The search and the engine go first: nothing may fire into a
    // half-destroyed window.
    search.reset();
    engine = nullptr;
    wired.reset();
    delete logWindow.data();
    files.reset();
    link.reset();
    ui.registerList->setModel(nullptr);
    listModel.reset();
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

    appendToSystemMenu(this, aboutEntryText());
    ui.cellSizeSpin->setBuddy(ui.cellSize);
    ui.cellSizeSpin->setRange(0, 255);
    ui.registerList->insertColumns();
    ui.progress->setRange(0, ExchangeEngine::ProgressMaximum);
    ui.progress->setValue(0);
    ui.addressSpin->setBuddy(ui.deviceAddress);
    ui.addressSpin->setRange(0, LinkSettings::MaxDeviceAddress);

    link->initFields();
    ui.write->setFocus(Qt::OtherFocusReason);
}

void MainDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The window is on the screen once it paints; the rest follows at once,
    // the system's device list gathered meanwhile on another thread.
    if (!std::exchange(firstFramePainted, true)) {
        SerialDevices::enumerateAhead();
        QMetaObject::invokeMethod(this, &MainDialog::afterFirstFrame, Qt::QueuedConnection);
    }
}

void MainDialog::afterFirstFrame()
{
    probePorts();
    if (!startFile.isEmpty())
        files->loadFile(std::exchange(startFile, QString()));
    // Decoding the icon's sizes for the window system can wait for the
    // frame. The windows and boxes it opens are its own, and show it too.
    setWindowIcon(AppIdentity::icon());
}

void MainDialog::probePorts()
{
    if (std::exchange(portsProbed, true))
        return;
    ports.probe();
    ui.port->setCurrentIndex(ui.port->findText(ports.selectedPortName));
    showPortState();
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
    return ui.registerList->firstSelectedRow();
}

void MainDialog::reopenLostPort()
{
    ports.reopenIfLost();
    showPortState();
}

void MainDialog::showPortState()
{
    // A failed open is not a message, but the reason stays at hand; an open
    // port names its device, and the name that stays when it comes back.
    QString tip = ports.failureReason;
    if (tip.isEmpty() && port.hasVanished())
        tip = port.vanishedText(ports.openPortName);
    if (tip.isEmpty() && port.isOpen()) {
        tip = port.location();
        if (const QString friendly = friendlyName(tip); !friendly.isEmpty())
            tip += u'\n' + friendly;
        if (const QString stable = stableName(tip); !stable.isEmpty())
            tip += u'\n' + stable;
        if (const QString shortfall = port.settingsShortfall(); !shortfall.isEmpty())
            tip += u'\n' + shortfall;
    }
    ui.port->setToolTip(tip);
}

void MainDialog::onReadClicked()
{
    probePorts();
    // A search holds the port until it has tried them all.
    if (search->isRunning())
        return;
    link->takeFields();
    if (!engine->isBusy())
        reopenLostPort();
    if (engine->startRead())
        link->showFields();
}

void MainDialog::onWriteClicked()
{
    probePorts();
    // A refused field (its message has been shown) sends nothing: the device
    // would get a value other than the one on the screen.
    if (search->isRunning() || !link->takeFields())
        return;
    reopenLostPort();
    if (engine->startWrite())
        link->showFields();
}

void MainDialog::onProgressChanged(int value)
{
    ui.progress->setValue(value);
    // During an exchange the fields keep showing the values.
    link->showFields();
}

void MainDialog::onConfigurationApplied()
{
    // A device's answer is shown as it is: its addresses are the ones it
    // holds and are not laid out again for its cell size.
    link->showLinkChoices();
    link->showFields();
}

void MainDialog::onExchangeError(const ExchangeError &error)
{
    // A silent port is what a search expects of most; its outcome is told
    // once, when it ends.
    if (search->isRunning())
        return;
    // A port that went away says so where the port is picked.
    if (port.hasVanished())
        showPortState();
    messages.show(exchangeErrorMessage(error));
}

void MainDialog::findTransducer()
{
    probePorts();
    if (search->isRunning() || engine->isAwaitingReply())
        return;
    ui.progress->setValue(0);
    [[maybe_unused]] const bool started =
        search->start(comPortNames(), PortSearch::Stop::AtFirstAnswer);
}

void MainDialog::onSearchFinished()
{
    ui.progress->setValue(ExchangeEngine::ProgressMaximum);
    const PortProbe *found = search->found();
    if (!found) {
        // The port in use is opened again, as it was.
        reopenLostPort();
        messages.show({errorCaption(), PortSearch::notFoundText(), MessageIcon::Exclamation});
        return;
    }
    const QString name = found->port;
    const int deviceId = found->deviceId;
    ui.port->setCurrentIndex(ui.port->findText(name));
    onPortChanged();
    if (ports.openPortName == name)
        ui.port->setToolTip(PortSearch::answeredHereText(deviceId) + u'\n' + ui.port->toolTip());
}

void MainDialog::onPortChanged()
{
    probePorts();
    if (search->isRunning()) {
        ui.port->setCurrentIndex(ui.port->findText(ports.selectedPortName));
        return;
    }
    ports.onPortChanged(ui.port->currentText());
    ui.port->setCurrentIndex(ui.port->findText(ports.selectedPortName));
    showPortState();
}

void MainDialog::onListDoubleClicked()
{
    takeFields();
    if (firstSelectedRow() < 0)
        return;
    // The timers keep running while it is open; whatever it changed is in
    // the list and the table when it closes.
    RegisterPropertiesDialog dialog(
        state, [this] { return firstSelectedRow(); }, messageSink, this);
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

void MainDialog::compareWithFile()
{
    const std::optional<QList<ConfigComparison::Difference>> differences = files->compareWithFile();
    if (!differences)
        return;
    lastComparison = new ComparisonWindow(*differences, this);
    lastComparison->setWindowIcon(windowIcon());
    lastComparison->show();
}

void MainDialog::showTrafficLog()
{
    if (!logWindow) {
        logWindow = new TrafficLogWindow(trafficLog, messages, trafficLogChooser, this);
        logWindow->setWindowIcon(windowIcon());
    }
    logWindow->show();
    logWindow->raise();
    logWindow->activateWindow();
}

void MainDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter does nothing where no button has the focus.
    bool pressed = false;
    if (pressFocusedButtonOnEnter(this, event, pressed))
        return;
    if (event->key() == Qt::Key_F1)
        showAbout();
    else if (event->key() == Qt::Key_F12)
        showTrafficLog();
    else
        QDialog::keyPressEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent *event)
{
    // Window systems without a window menu get the About entry here.
    QMenu menu(this);
    menu.addAction(aboutEntryText(), this, &MainDialog::showAbout);
    menu.addAction(QStringLiteral("Журнал обмена..."), this, &MainDialog::showTrafficLog);
    menu.addAction(QStringLiteral("Найти преобразователь"), this, &MainDialog::findTransducer);
    menu.addAction(QStringLiteral("Сравнить с файлом..."), this, &MainDialog::compareWithFile);
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
