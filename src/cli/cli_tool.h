#pragma once

#include "exchange_run.h"
#include "exit_code.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

class QJsonObject;
class SerialPort;
struct Session;

// ostrivan-cli: reads, writes, compares, shows and commissions
// configurations with the window's own engine, port, files and texts. It
// parses the command line and prints; the work is the layers' below.
class CliTool
{
public:
    CliTool(QTextStream &out, QTextStream &err) : out(out), err(err) {}

    // The program's own arguments as the system gave them; fails when one is
    // not in the system's encoding, or when the output cannot be written.
    int run(int argc, char *argv[]);
    // arguments: the program's arguments without the program name.
    int run(const QStringList &arguments);

    [[nodiscard]] static QString helpText();

private:
    // The options a command may take besides --verbose (and --port, where
    // the command has it).
    enum class Option
    {
        Output,
        Address,
        Journal,
        Keep,
        Json,
        Unit,
    };
    // What follows the command's name.
    enum class Operand
    {
        None,
        Configuration, // one configuration file
        Journal,       // one journal
    };
    struct Options
    {
        QString port = QStringLiteral("COM1");
        bool verbose = false;
        bool json = false;
        QString outputFile;
        std::optional<int> address;
        QString journal;
        QString keepFolder;
        QString unit;
        QString file;
    };
    // What a command does with the line and --port. A command on the line
    // is ended at once by a signal.
    enum class Port
    {
        None,     // neither: no --port
        Searched, // every COM name in turn: no --port of its own
        Unused,   // --port is taken and left unused, as it always was
        Used,     // --port names the line it works on
    };
    // One command: everything the help, the checks and the dispatch know.
    struct Command
    {
        QString name;
        Operand operand;
        QList<Option> options;
        Port port;
        int (CliTool::*handler)(const Options &);
        QString usage; // as the help shows it: the name, the operand, the options
        QString help;  // what it does, its lines
    };
    [[nodiscard]] static const QList<Command> &commands();

    // The command and its options, or nothing after a usage error.
    [[nodiscard]] std::optional<std::pair<const Command *, Options>>
    parse(const QStringList &arguments, int &code);
    int usage(const QString &problem);

    int identify(const Options &options);
    int scan(const Options &options);
    int read(const Options &options);
    int write(const Options &options);
    int diff(const Options &options);
    int show(const Options &options);
    int commission(const Options &options);
    int report(const Options &options);

    // Opens the port and reads the device into session as the window's
    // first read does (ID 0, then the ID it answered with); image gets the
    // configuration image it sent.
    int readDevice(const Options &options, SerialPort &port, Session &session,
                   QByteArray *image = nullptr);
    // Runs one exchange to its end and prints what went wrong; the exit code.
    int exchange(ExchangeEngine &engine, ExchangeKind kind, const SerialPort &port,
                 const Options &options);
    // With --verbose, every frame the engine logs goes to standard error.
    QMetaObject::Connection showTraffic(ExchangeEngine &engine, const Options &options);
    int loadFile(const QString &path, Session &session);
    int fail(int code, const QString &message);
    void printJson(const QJsonObject &object);

    QTextStream &out;
    QTextStream &err;
    // Every wait on the line; a signal stops it.
    ExchangeRunner runner;
};
