#include "exchange_timers.h"

QtExchangeTimers::QtExchangeTimers(std::function<void(TimerId)> onTimer, QObject *parent)
    : QObject(parent)
{
    // A coarse timer may fire up to 5 % early, and the reply window would
    // close 50 ms (read) or 200 ms (write) before its time.
    replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&replyTimer, &QTimer::timeout, this, [onTimer] { onTimer(TimerId::Reply); });
    connect(&progressTimer, &QTimer::timeout, this, [onTimer] { onTimer(TimerId::Progress); });
}

QTimer &QtExchangeTimers::timer(TimerId id)
{
    return id == TimerId::Reply ? replyTimer : progressTimer;
}

const QTimer &QtExchangeTimers::timer(TimerId id) const
{
    return id == TimerId::Reply ? replyTimer : progressTimer;
}

void QtExchangeTimers::start(TimerId id, int periodMs)
{
    timer(id).start(periodMs);
}

void QtExchangeTimers::stop(TimerId id)
{
    timer(id).stop();
}

bool QtExchangeTimers::isActive(TimerId id) const
{
    return timer(id).isActive();
}
