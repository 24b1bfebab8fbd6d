#pragma once

#include "exchange_doubles.h"
#include "exchange_engine.h"
#include "exchange_run.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// A session exchanged over the real port with the real timers, for the
// end-to-end tests, the soak and the timing benchmark. Errors are recorded as
// the window would show them.
struct LiveExchange
{
    LiveExchange() { messages.follow(engine); }

    bool waitingForReply() const { return wired.timers().isActive(ExchangeTimers::TimerId::Reply); }
    // One exchange, run to its end.
    ExchangeOutcome run(ExchangeKind kind) { return ExchangeRunner().run(engine, kind); }

    Session session;
    RecordingMessages messages;
    SerialPort port;
    SerialExchange wired{port, session};
    ExchangeEngine &engine = wired.engine();
};

// Runs the event loop until done() or the time is up.
inline void waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}
