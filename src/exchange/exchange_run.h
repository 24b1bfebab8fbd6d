#pragma once

#include "exchange_engine.h"

#include <QEventLoop>
#include <QObject>
#include <optional>

// Which of the engine's exchanges to start.
enum class ExchangeKind
{
    Read,
    Write,
    Identify,
};

// How one exchange ended.
struct ExchangeOutcome
{
    // How the engine ended it; nothing when it never started (a refused
    // write says why in error) or a stop ended the wait first.
    std::optional<ExchangeResult> result;
    // The error it reported, if any.
    std::optional<ExchangeError> error;
    bool stopped = false;

    // The answer asked for, and nothing else: a read that identified
    // another device, or ended with no error and no configuration, is no
    // success.
    [[nodiscard]] bool succeeded(ExchangeKind kind) const;
};

// Watches an engine's exchanges and reports how each ended, without
// waiting: for a caller driven by the event loop (a window, a sequence of
// steps).
class ExchangeWatch : public QObject
{
    Q_OBJECT

public:
    explicit ExchangeWatch(ExchangeEngine &engine, QObject *parent = nullptr);

    // Starts an exchange; false when the engine did not start it, with the
    // outcome (a refusal's error) already reported by ended.
    bool start(ExchangeKind kind);

signals:
    void ended(const ExchangeOutcome &outcome);

private:
    ExchangeEngine &engine;
    ExchangeOutcome current;
    bool running = false;
};

// Runs the event loop for a program without a window: one exchange to its
// end, or until any signal. stop() ends the wait under way and every later
// one at once (Ctrl+C).
class ExchangeRunner
{
public:
    ExchangeOutcome run(ExchangeEngine &engine, ExchangeKind kind);
    // Runs the loop until sender emits signal; false when a stop ended it.
    template <typename Sender, typename Signal> bool waitFor(const Sender *sender, Signal signal)
    {
        if (stopRequested)
            return false;
        QEventLoop loop;
        QObject::connect(sender, signal, &loop, &QEventLoop::quit);
        exec(loop);
        return !stopRequested;
    }
    void stop();
    [[nodiscard]] bool stopped() const { return stopRequested; }

private:
    void exec(QEventLoop &loop);

    QEventLoop *active = nullptr;
    bool stopRequested = false;
};
