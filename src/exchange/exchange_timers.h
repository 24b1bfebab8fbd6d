#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// The two timers that drive an exchange. Starting a running timer restarts it
// with the new period. The real timers call back with the id; tests fire them
// by calling the engine's onTimer themselves.
class ExchangeTimers
{
public:
    enum class TimerId
    {
        Reply = 1,    // the wait for a reply, stopped when it fires
        Progress = 2, // moves the progress bar while an exchange runs
    };

    virtual ~ExchangeTimers() = default;
    virtual void start(TimerId id, int periodMs) = 0;
    virtual void stop(TimerId id) = 0;
    [[nodiscard]] virtual bool isActive(TimerId id) const = 0;
};

// Real timers on the event loop.
class QtExchangeTimers : public QObject, public ExchangeTimers
{
    Q_OBJECT

public:
    explicit QtExchangeTimers(std::function<void(TimerId)> onTimer, QObject *parent = nullptr);

    void start(TimerId id, int periodMs) override;
    void stop(TimerId id) override;
    [[nodiscard]] bool isActive(TimerId id) const override;

private:
    QTimer &timer(TimerId id);
    const QTimer &timer(TimerId id) const;

    QTimer replyTimer;
    QTimer progressTimer;
};
