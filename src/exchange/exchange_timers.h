#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// The two timers that drive an exchange. Starting a running timer restarts it
// with the new period. The window's timers call back onTimer with the id;
// tests fire them by calling onTimer themselves.
class ExchangeTimers
{
public:
    enum TimerId
    {
        ReplyTimer = 1,    // the wait for a reply, stopped when it fires
        ProgressTimer = 2, // moves the progress bar while an exchange runs
    };

    virtual ~ExchangeTimers() = default;
    virtual void start(TimerId id, int periodMs) = 0;
    virtual void stop(TimerId id) = 0;
};

// Real timers on the event loop.
class QtExchangeTimers : public QObject, public ExchangeTimers
{
    Q_OBJECT

public:
    explicit QtExchangeTimers(std::function<void(int)> onTimer, QObject *parent = nullptr);

    void start(TimerId id, int periodMs) override;
    void stop(TimerId id) override;
    bool isActive(TimerId id) const;

private:
    QTimer &timer(TimerId id);

    QTimer replyTimer;
    QTimer progressTimer;
};
