#pragma once

#include "main_controls.h"
#include "port_choice.h"
#include "serial_port.h"

#include <QDialog>
#include <QString>
#include <memory>

class ConfigurationFiles;
class ExchangeEngine;
class FileChooser;
class FileDialogs;
class LinkSettingsEditor;
class MessageBoxes;
class ProgressView;
class QtExchangeTimers;
class RegisterTable;
class UserMessages;
class WidgetLinkFields;

// The program's one window. It owns the port, the register table and its
// list, the link settings, the exchange state and the name of the
// configuration file, and passes every user action to the class that
// carries it out. Closing it in any way ends the program.
class MainDialog : public QDialog
{
    Q_OBJECT

public:
    // Messages go to message boxes and file names come from the file
    // dialogs unless others are given (tests answer them there).
    explicit MainDialog(UserMessages *messages = nullptr, FileChooser *files = nullptr,
                        QWidget *parent = nullptr);
    ~MainDialog() override;

    // Prepares the window as it is first shown: fields, columns, ranges,
    // the port probe. Runs once; showing the window runs it.
    void initWindow();

    void takeFields();
    void showFields();
    int firstSelectedRow() const;

    void onReadClicked();
    void onWriteClicked();
    void onPortChanged();
    void onListDoubleClicked();
    void saveConfiguration();
    void loadConfiguration();
    void showAbout();

    const MainControls &controls() const { return ui; }
    SerialPort &serialPort() { return port; }
    RegisterTable &registerTable() { return *table; }
    LinkSettingsEditor &linkSettings() { return *link; }
    ExchangeEngine &exchange() { return *engine; }
    const PortChoice &portChoice() const { return ports; }

    QString configFileName;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    std::unique_ptr<MessageBoxes> ownMessages;
    // The sink a test gave, for the dialogs this window opens; null when
    // messages go to message boxes.
    UserMessages *messageSink;
    UserMessages &messages;
    SerialPort port;
    MainControls ui;
    std::unique_ptr<RegisterTable> table;
    std::unique_ptr<WidgetLinkFields> fields;
    std::unique_ptr<LinkSettingsEditor> link;
    std::unique_ptr<ProgressView> progressView;
    std::unique_ptr<ExchangeEngine> engine;
    std::unique_ptr<QtExchangeTimers> timers;
    std::unique_ptr<FileDialogs> ownFileDialogs;
    std::unique_ptr<ConfigurationFiles> files;
    PortChoice ports{port};
    bool windowInitialized = false;
};
