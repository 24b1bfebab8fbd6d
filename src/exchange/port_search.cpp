#include "port_search.h"

#include "mode_string.h"
#include "serial_port.h"

#include <QMetaObject>

PortSearch::PortSearch(SerialPort &port, ExchangeEngine &engine, QObject *parent)
    : QObject(parent), port(port), engine(engine)
{
    connect(&engine, &ExchangeEngine::exchangeFinished, this, &PortSearch::onExchangeFinished);
    connect(&engine, &ExchangeEngine::errorOccurred, this, &PortSearch::onError);
}

QString PortSearch::notFoundText()
{
    return QStringLiteral("Преобразователь не найден ни на одном порту");
}

QString PortSearch::answeredHereText(int deviceId)
{
    return QStringLiteral("Преобразователь ID %1 ответил на этом порту").arg(deviceId);
}

bool PortSearch::start(const QStringList &portNames, Stop stopAt,
                       SerialDevices::Enumerator enumerate)
{
    if (running || engine.isAwaitingReply())
        return false;
    names = portNames;
    stop = stopAt;
    devices.emplace(std::move(enumerate));
    tried.clear();
    running = true;
    tryNext();
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

void PortSearch::tryNext()
{
    if (tried.size() == names.size() || (stop == Stop::AtFirstAnswer && found())) {
        port.close();
        running = false;
        emit finished();
        return;
    }
    current = PortProbe();
    current.port = names.at(tried.size());
    current.device = devices->resolve(current.port);
    if (!current.device.isEmpty())
        current.stableName = stableName(current.device);
    if (!port.open(current.port, &*devices) || !port.configure(PortModeString)) {
        current.openError = port.openError();
        done();
        return;
    }
    // Silent until the identification ends otherwise.
    current.status = PortProbe::Status::Silent;
    identifying = engine.startIdentify();
    if (!identifying)
        done();
}

void PortSearch::onError(const ExchangeError &error)
{
    if (identifying && error.kind == ExchangeError::Kind::ReceptionError)
        current.status = PortProbe::Status::ReceptionError;
}

void PortSearch::onExchangeFinished(ExchangeResult result)
{
    if (!identifying)
        return;
    identifying = false;
    if (result == ExchangeResult::Identified) {
        current.status = PortProbe::Status::Answered;
        current.deviceId = engine.identifiedId();
    }
    done();
}

void PortSearch::done()
{
    tried.append(current);
    emit portTried(int(tried.size()), int(names.size()));
    // The next port is opened once the engine and the port have returned
    // from the signal that ended this one.
    QMetaObject::invokeMethod(this, &PortSearch::tryNext, Qt::QueuedConnection);
}
