#include "exchange_run.h"

#include <QEventLoop>

bool ExchangeOutcome::succeeded(ExchangeKind kind) const
{
    if (error || stopped || !result)
        return false;
    switch (kind) {
    case ExchangeKind::Read:
        return *result == ExchangeResult::ReadAccepted;
    case ExchangeKind::Write:
        return *result == ExchangeResult::WriteAccepted;
    case ExchangeKind::Identify:
        break;
    }
    return *result == ExchangeResult::Identified || *result == ExchangeResult::ReadAccepted;
}

ExchangeWatch::ExchangeWatch(ExchangeEngine &engine, QObject *parent)
    : QObject(parent), engine(engine)
{
    connect(&engine, &ExchangeEngine::errorOccurred, this,
            [this](const ExchangeError &error) { current.error = error; });
    connect(&engine, &ExchangeEngine::exchangeFinished, this, [this](ExchangeResult result) {
        if (!running)
            return;
        running = false;
        current.result = result;
        emit ended(current);
    });
}

bool ExchangeWatch::start(ExchangeKind kind)
{
    current = {};
    running = true;
    const bool started = kind == ExchangeKind::Read    ? engine.startRead()
                         : kind == ExchangeKind::Write ? engine.startWrite()
                                                       : engine.startIdentify();
    if (!started && running) {
        running = false;
        emit ended(current);
    }
    return started;
}

ExchangeOutcome ExchangeRunner::run(ExchangeEngine &engine, ExchangeKind kind)
{
    ExchangeOutcome outcome;
    outcome.stopped = stopRequested;
    if (stopRequested)
        return outcome;
    ExchangeWatch watch(engine);
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&watch, &ExchangeWatch::ended, [&](const ExchangeOutcome &o) {
        outcome = o;
        ended = true;
        loop.quit();
    });
    if (watch.start(kind) && !ended)
        exec(loop);
    outcome.stopped = !ended;
    return outcome;
}

void ExchangeRunner::exec(QEventLoop &loop)
{
    active = &loop;
    loop.exec();
    active = nullptr;
}

void ExchangeRunner::stop()
{
    stopRequested = true;
    if (active)
        active->quit();
}
