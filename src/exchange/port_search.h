#pragma once

#include "exchange_engine.h"
#include "port_names.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class SerialPort;
struct ExchangeOutcome;

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

// Finds the port a transducer answers on: every name is opened at once, each
// on a port of its own with the line's settings, and all are asked for an
// ID together with the engine's identification, so that the whole search
// takes one read window however many ports stay silent. The names resolve
// through one device enumeration. The outcome is as if they were tried in
// turn: the probes are in the names' order, and the port found is the first
// name whose reply named an ID. Every port the search opened is closed when
// it ends; whoever owns the line opens the one it wants.
class PortSearch : public QObject
{
    Q_OBJECT

public:
    enum class Stop
    {
        AtFirstAnswer, // ends once the first answering name is known
        AfterAll,
    };

    // ownPort is the caller's port: it is closed before the search opens
    // them all, or its own device would be unavailable to the search.
    explicit PortSearch(SerialPort &ownPort, QObject *parent = nullptr);
    ~PortSearch() override;

    // Refused (false) while a search runs.
    bool start(const QStringList &names, Stop stop,
               SerialDevices::Enumerator enumerate = SerialDevices::Enumerator());
    [[nodiscard]] bool isRunning() const { return running; }
    // With AtFirstAnswer, the names up to the one found (or all).
    [[nodiscard]] const QList<PortProbe> &probes() const { return tried; }
    // The first port that answered; null when none did.
    [[nodiscard]] const PortProbe *found() const;

    // The message of a search in which no port answered.
    [[nodiscard]] static QString notFoundText();
    // What the port list says of the port a search found.
    [[nodiscard]] static QString answeredHereText(int deviceId);

signals:
    // done of count names have their outcome.
    void portTried(int done, int count);
    void finished();
    // A frame of the search, its meaning led by the port's name.
    void traffic(const TrafficEvent &event);

private:
    struct Lane;

    void onLaneEnded(Lane &lane, const ExchangeOutcome &outcome);
    // Ends the search once its outcome is known.
    void endIfDone();
    void end();

    SerialPort &ownPort;
    Stop stop = Stop::AfterAll;
    std::vector<std::unique_ptr<Lane>> lanes;
    QList<PortProbe> tried;
    int ended = 0;
    bool running = false;
};
