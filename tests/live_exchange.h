#pragma once

#include "exchange_fixture.h"
#include "serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// What the window holds for an exchange, with the real port and timers, for
// the end-to-end tests, the soak and the timing benchmark.
struct LiveExchange : WindowState
{
    SerialPort port;
    MemoryProgress progress;
    QtExchangeTimers timers{[this](int id) { engine.onTimer(id); }};
    ExchangeEngine engine{port, timers, progress, messages, table, link, configFileName};

    bool waitingForReply() const { return timers.isActive(ExchangeTimers::ReplyTimer); }
};

// Runs the event loop until done() or the time is up.
inline void waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}
