#pragma once

#include "exchange_engine.h"
#include "port_names.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class SerialPort;

// What one port of a search gave.
struct PortProbe
{
    enum class Status
    {
        Answered,       // a device named its ID
        Silent,         // the port opened and nothing answered
        ReceptionError, // something came that was not a whole reply
        Unavailable,    // the port did not open (openError says why)
    };

    QString port;       // the name tried, "COM1" …
    QString device;     // the location it resolved to; empty when none
    QString stableName; // the by-id link to that device, if any
    Status status = Status::Unavailable;
    int deviceId = 0; // when answered
    QString openError;
};

// Finds the port a transducer answers on: each name in turn is opened on
// the given port, with the line's settings, and asked for an ID with the
// engine's identification. The names resolve through one device
// enumeration for the whole pass. The port is closed when the search ends;
// whoever owns it opens the one it wants.
class PortSearch : public QObject
{
    Q_OBJECT

public:
    enum class Stop
    {
        AtFirstAnswer,
        AfterAll,
    };

    PortSearch(SerialPort &port, ExchangeEngine &engine, QObject *parent = nullptr);

    // Refused (false) while a search runs or the engine awaits a reply.
    bool start(const QStringList &names, Stop stop,
               SerialDevices::Enumerator enumerate = SerialDevices::Enumerator());
    [[nodiscard]] bool isRunning() const { return running; }
    [[nodiscard]] const QList<PortProbe> &probes() const { return tried; }
    // The first port that answered; null when none did.
    [[nodiscard]] const PortProbe *found() const;

    // The message of a search in which no port answered.
    [[nodiscard]] static QString notFoundText();
    // What the port list says of the port a search found.
    [[nodiscard]] static QString answeredHereText(int deviceId);

signals:
    // tried of count names are done.
    void portTried(int tried, int count);
    void finished();

private:
    void tryNext();
    void onExchangeFinished(ExchangeResult result);
    void onError(const ExchangeError &error);
    // Keeps the current port's outcome and goes on to the next.
    void done();

    SerialPort &port;
    ExchangeEngine &engine;
    QStringList names;
    Stop stop = Stop::AfterAll;
    std::optional<SerialDevices> devices;
    QList<PortProbe> tried;
    PortProbe current;
    bool running = false;
    bool identifying = false;
};
