#include "port_search.h"

#include "exchange_run.h"
#include "mode_string.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QTimer>

// One name of the search: its port, an engine on it, and what it gave.
struct PortSearch::Lane
{
    PortProbe probe;
    SerialPort port;
    Session nobody;
    SerialExchange exchange{port, nobody};
    ExchangeWatch watch{exchange.engine()};
    bool ended = false;
};

PortSearch::PortSearch(SerialPort &ownPort, QObject *parent) : QObject(parent), ownPort(ownPort) {}

PortSearch::~PortSearch() = default;

QString PortSearch::notFoundText()
{
    return QStringLiteral("Преобразователь не найден ни на одном порту");
}

QString PortSearch::answeredHereText(int deviceId)
{
    return QStringLiteral("Преобразователь ID %1 ответил на этом порту").arg(deviceId);
}

bool PortSearch::start(const QStringList &names, Stop stopAt, SerialDevices::Enumerator enumerate)
{
    if (running)
        return false;
    stop = stopAt;
    running = true;
    ended = 0;
    tried.clear();
    // The last search's lanes go once the signal that may have called this
    // has returned.
    if (!lanes.empty())
        QTimer::singleShot(0, this, [old = std::make_shared<decltype(lanes)>(std::move(lanes))] {});
    lanes.clear();
    ownPort.close();
    SerialDevices devices(std::move(enumerate));
    for (const QString &name : names) {
        auto lane = std::make_unique<Lane>();
        PortProbe &probe = lane->probe;
        probe.port = name;
        probe.device = devices.resolve(name);
        if (!probe.device.isEmpty())
            probe.stableName = stableName(probe.device);
        if (!lane->port.open(name, &devices) || !lane->port.configure(PortModeString)) {
            probe.openError = lane->port.openError();
            lane->ended = true;
            ++ended;
        }
        lanes.push_back(std::move(lane));
    }
    // Every port is open before the first request goes out, so that all
    // windows run side by side.
    for (const std::unique_ptr<Lane> &lane : lanes) {
        if (lane->ended)
            continue;
        Lane &l = *lane;
        l.probe.status = PortProbe::Status::Silent;
        connect(&l.exchange.engine(), &ExchangeEngine::traffic, this,
                [this, &l](TrafficEvent event) {
                    event.meaning = QStringLiteral("%1: %2").arg(l.probe.port, event.meaning);
                    emit traffic(event);
                });
        connect(&l.watch, &ExchangeWatch::ended, this,
                [this, &l](const ExchangeOutcome &outcome) { onLaneEnded(l, outcome); });
        if (!l.watch.start(ExchangeKind::Identify) && !l.ended) {
            l.ended = true;
            ++ended;
        }
    }
    emit portTried(ended, int(lanes.size()));
    // The outcome may be known already (no port opened); it is told once the
    // caller has returned from start.
    QMetaObject::invokeMethod(this, &PortSearch::endIfDone, Qt::QueuedConnection);
    return true;
}

const PortProbe *PortSearch::found() const
{
    for (const PortProbe &probe : tried) {
        if (probe.status == PortProbe::Status::Answered)
            return &probe;
    }
    return nullptr;
}

void PortSearch::onLaneEnded(Lane &lane, const ExchangeOutcome &outcome)
{
    if (!running || lane.ended)
        return;
    lane.ended = true;
    ++ended;
    if (outcome.result == ExchangeResult::Identified) {
        lane.probe.status = PortProbe::Status::Answered;
        lane.probe.deviceId = lane.exchange.engine().identifiedId();
    } else if (outcome.error && outcome.error->kind == ExchangeError::Kind::ReceptionError) {
        lane.probe.status = PortProbe::Status::ReceptionError;
    }
    // The port is let go at once, once the engine has returned from its signal.
    QMetaObject::invokeMethod(
        this, [&lane] { lane.port.close(); }, Qt::QueuedConnection);
    emit portTried(ended, int(lanes.size()));
    endIfDone();
}

void PortSearch::endIfDone()
{
    if (!running)
        return;
    if (stop == Stop::AtFirstAnswer) {
        // Known once every name before the first answer has ended.
        for (const std::unique_ptr<Lane> &lane : lanes) {
            if (!lane->ended)
                break;
            if (lane->probe.status == PortProbe::Status::Answered)
                return end();
        }
    }
    if (ended == int(lanes.size()))
        end();
}

void PortSearch::end()
{
    running = false;
    for (const std::unique_ptr<Lane> &lane : lanes) {
        tried.append(lane->probe);
        if (stop == Stop::AtFirstAnswer && lane->probe.status == PortProbe::Status::Answered)
            break;
    }
    // Lanes still waiting are cut off: nothing of theirs reaches the log.
    for (const std::unique_ptr<Lane> &lane : lanes) {
        disconnect(&lane->exchange.engine(), nullptr, this, nullptr);
        disconnect(&lane->watch, nullptr, this, nullptr);
    }
    // Every port is closed before finished, so that the one found can be
    // opened at once; after the engine and the port have returned from the
    // signal that ended the search.
    QMetaObject::invokeMethod(
        this,
        [this] {
            for (const std::unique_ptr<Lane> &lane : lanes)
                lane->port.close();
            emit finished();
        },
        Qt::QueuedConnection);
}
