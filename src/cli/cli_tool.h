#pragma once

#include "exchange_engine.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

class QDateTime;
class QEventLoop;
class SerialPort;
struct Session;

// ostrivan-cli: reads, writes, compares and shows configurations with the
// window's own engine, port, files and texts.
class CliTool
{
public:
    // The exit codes, also in --help and the README.
    enum Exit
    {
        Success = 0,      // diff: the same
        Differ = 1,       // diff: they differ
        Usage = 2,        // usage error
        PortFailed = 3,   // the port cannot be opened
        NoReply = 4,      // no reply
        Reception = 5,    // reception error
        DeviceId = 6,     // device ID error
        EchoDiffers = 7,  // the write echo differs
        FileFailed = 8,   // the file cannot be read or is refused, or output fails
        Refused = 9,      // refused before sending
        NotStored = 10,   // commission: the device keeps other than what was written
        Interrupted = 130 // SIGINT or SIGTERM
    };

    CliTool(QTextStream &out, QTextStream &err) : out(out), err(err) {}

    // The program's own arguments as the system gave them; fails when one is
    // not in the system's encoding, or when the output cannot be written.
    int run(int argc, char *argv[]);
    // arguments: the program's arguments without the program name.
    int run(const QStringList &arguments);

    [[nodiscard]] static QString helpText();
    // The tool's words for a file it cannot read or create, with the
    // system's reason where there is one.
    [[nodiscard]] static QString cannotReadText(const QString &path, const QString &reason);
    [[nodiscard]] static QString cannotCreateText(const QString &path, const QString &reason);

private:
    struct Options
    {
        QString port = QStringLiteral("COM1");
        bool verbose = false;
        bool json = false;
        QString outputFile;
        std::optional<int> address;
        QString journal;
        QString keepFolder;
        QString command;
        QString file;
    };

    [[nodiscard]] std::optional<Options> parse(const QStringList &arguments);
    int usage(const QString &problem);
    int identify(const Options &options);
    int scan(const Options &options);
    int read(const Options &options);
    int write(const Options &options);
    int diff(const Options &options);
    int show(const Options &options);
    int commission(const Options &options);
    // The steps of commission; record gets what the journal keeps of them.
    int commissionSteps(const Options &options, const QDateTime &started, QJsonObject &record);
    int report(const Options &options);

    // Opens the port and reads the device into session as the window's
    // first read does (ID 0, then the ID it answered with); image gets the
    // configuration image it sent.
    int readDevice(const Options &options, SerialPort &port, Session &session,
                   QByteArray *image = nullptr);
    // Runs one exchange on an engine to its end; the exit code.
    // readDevice, then the lines diff prints between file and the device.
    int readAndCompare(const Options &options, SerialPort &port, const Session &file,
                       Session &device, QStringList &lines);
    int exchange(ExchangeEngine &engine, const SerialPort &port, bool writing,
                 const Options &options);
    // Runs loop until it is quit or a signal ends the program.
    void waitFor(QEventLoop &loop);
    // With --verbose, every frame the engine logs goes to standard error.
    QMetaObject::Connection showTraffic(ExchangeEngine &engine, const Options &options);
    int loadFile(const QString &path, Session &session);
    int openPort(const Options &options, SerialPort &port);
    int fail(int code, const QString &message);

    QTextStream &out;
    QTextStream &err;
    // What fail has printed on standard error so far.
    QString printed;
    // Every frame of the exchanges, as --verbose prints them, when set.
    QStringList *frames = nullptr;
    // The loop of the exchange under way, for a signal to end.
    QEventLoop *activeLoop = nullptr;
    bool interrupted = false;
};
