#pragma once

#include "main_controls.h"
#include "port_choice.h"
#include "serial_port.h"
#include "session.h"
#include "test_seam.h"
#include "traffic_log.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class ComparisonWindow;
class ExchangeEngine;
class FileChooser;
class FileCommands;
class FileDialogs;
class LinkSettingsEditor;
class MessageBoxes;
class PortSearch;
class SerialExchange;
class RegisterListModel;
class TrafficLogWindow;
class UserMessages;
class WidgetLinkFields;
struct ExchangeError;

// The program's one window. It owns the port and the session (device ID,
// configuration file name, link settings, register table), and passes every
// user action to the class that carries it out: the exchange engine, the
// link-settings editor, the file commands, the properties dialog. Closing it
// in any way ends the program.
class MainDialog : public QDialog
{
    Q_OBJECT

public:
    // Messages go to message boxes and file names come from the file
    // dialogs unless others are given (tests answer them there).
    explicit MainDialog(UserMessages *messages = nullptr, FileChooser *files = nullptr,
                        QWidget *parent = nullptr);
    ~MainDialog() override;

    // Prepares the window as it is first shown: fields, columns, ranges.
    // Runs once; showing the window runs it. The port probe follows the
    // first frame.
    void initWindow();
    // A file to open, as Open would, once the window is on the screen.
    void openOnStart(const QString &path) { startFile = path; }

    void takeFields();
    void showFields();
    [[nodiscard]] int firstSelectedRow() const;

    void onReadClicked();
    void onWriteClicked();
    void onPortChanged();
    void onListDoubleClicked();
    void saveConfiguration();
    void loadConfiguration();
    void showAbout();
    // Opens the traffic log's window, or raises it when it is open.
    void showTrafficLog();
    // Tries COM1 … COM8 for a transducer and picks the first that answers;
    // the session is left as it is.
    void findTransducer();
    // Opens a window of the differences between what the window holds and
    // a file the user picks.
    void compareWithFile();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // What the first frame does not need: the port probe, the icon and the
    // file to open at start.
    void afterFirstFrame();
    // The port in use is opened before anything uses it.
    void probePorts();
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    friend struct TestSeam;

    void reopenLostPort();
    // The port list's tooltip: why the port did not open, or its device.
    void showPortState();
    void onConfigurationApplied();
    void onProgressChanged(int value);
    void onExchangeError(const ExchangeError &error);
    void onSearchFinished();

    std::unique_ptr<MessageBoxes> ownMessages;
    // The sink a test gave, for the dialogs this window opens; null when
    // messages go to message boxes.
    UserMessages *messageSink;
    UserMessages &messages;
    SerialPort port;
    Session state;
    TrafficLog trafficLog;
    QPointer<TrafficLogWindow> logWindow;
    QPointer<ComparisonWindow> lastComparison; // the last one, while it is open
    // Where the log window saves; the file dialog if unset.
    std::function<std::optional<QString>()> trafficLogChooser;
    MainControls ui;
    std::unique_ptr<RegisterListModel> listModel;
    std::unique_ptr<WidgetLinkFields> fields;
    std::unique_ptr<LinkSettingsEditor> link;
    std::unique_ptr<SerialExchange> wired;
    ExchangeEngine *engine = nullptr;
    std::unique_ptr<PortSearch> search;
    std::unique_ptr<FileDialogs> ownFileDialogs;
    std::unique_ptr<FileCommands> files;
    PortChoice ports{port};
    bool windowInitialized = false;
    bool firstFramePainted = false;
    bool portsProbed = false;
    QString startFile;
};
