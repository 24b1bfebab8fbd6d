#pragma once

#include "commission_record.h"
#include "traffic_log.h"

#include <QObject>
#include <memory>
#include <optional>

class SerialPort;
struct ExchangeOutcome;
struct Session;

// The steps of commissioning one transducer: the reference file is loaded
// and checked as write checks it; the device is read and compared with it
// (as found); a device of another ID is refused; the reference is written
// and its echo checked; the device is read again and compared with what was
// written (as left). Before and after can be kept as configuration files.
//
// It runs on the engine's signals, never waiting, so that a window can show
// each step as it happens; the command-line tool runs the event loop until
// finished. Every run ends in finished, with the record of what it did.
class Commissioning : public QObject
{
    Q_OBJECT

public:
    struct Order
    {
        QString reference;          // the reference file
        std::optional<int> address; // the device address to write instead of the file's
        QString keepFolder;         // where before and after are kept; empty: not kept
        QString port;               // the port's name, as SerialPort::open takes it
        QString unit;               // the number on the unit's label; may be empty
    };
    enum class Step
    {
        AsFound,  // the device read and compared with the reference
        Write,    // the reference written; its outcome is the echo's
        ReadBack, // the device read again and compared with what was written
    };

    explicit Commissioning(SerialPort &port, QObject *parent = nullptr);
    ~Commissioning() override;

    // Starts a run; ignored while one is under way.
    void start(const Order &order);
    // Ends the run under way now, as interrupted.
    void stop();
    [[nodiscard]] bool isRunning() const { return running; }
    // The record of the run under way, or of the last one.
    [[nodiscard]] const CommissionRecord &record() const { return current; }

signals:
    void stepStarted(Commissioning::Step step);
    void stepEnded(Commissioning::Step step, bool succeeded);
    // Each thing that went wrong, as it does; the record's message is them all.
    void problem(const QString &message);
    // Every frame of the run's exchanges.
    void traffic(const TrafficEvent &event);
    void finished(const CommissionRecord &record);

private:
    struct Run;

    void readFound();
    void onFoundRead(const ExchangeOutcome &outcome);
    void onWritten(const ExchangeOutcome &outcome);
    void onLeftRead(const ExchangeOutcome &outcome);
    // Opens the port for a read; false when it could not (the run ended).
    [[nodiscard]] bool openPort();
    // The code of an exchange's outcome; what went wrong is reported.
    int judge(const ExchangeOutcome &outcome, bool writing);
    // Keeps a configuration in the keep folder; false when it could not.
    [[nodiscard]] bool keep(const Session &session, const char *suffix, QString &field);
    void report(const QString &message);
    void refuse(int code);
    void end(int code);

    SerialPort &port;
    std::shared_ptr<Run> run;
    Order order;
    CommissionRecord current;
    QString messages;
    QString keepStem;
    int echoCode = 0;
    bool running = false;
};
