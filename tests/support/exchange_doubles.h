#pragma once

// Stand-ins for what surrounds the exchange engine: the user, the line and
// the timers, each driven or read by the test.

#include "exchange_engine.h"
#include "exchange_timers.h"
#include "line_port.h"
#include "user_messages.h"

#include <QList>
#include <QStringList>
#include <QTime>
#include <algorithm>
#include <map>

// Messages are recorded instead of shown; questions take the queued answers,
// and No or Cancel once none is left.
class RecordingMessages : public UserMessages
{
public:
    void show(const UserMessage &message) override
    {
        shown.append(message);
        lastShownAtMs = QTime::currentTime().msecsSinceStartOfDay();
    }
    bool ask(const UserMessage &message, MessageQuestion) override
    {
        show(message);
        return !answers.isEmpty() && answers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList list;
        for (const UserMessage &message : shown)
            list << message.text;
        return list;
    }
    // Shows the engine's errors as the window does.
    void follow(ExchangeEngine &engine)
    {
        QObject::connect(&engine, &ExchangeEngine::errorOccurred,
                         [this](const ExchangeError &error) { show(exchangeErrorMessage(error)); });
    }

    // When the last message came, in milliseconds of the day.
    int lastShownAtMs = 0;
    QList<bool> answers;
    QList<UserMessage> shown;
};

// A line whose replies the test queues; everything written is kept.
class ScriptedPort : public LinePort
{
public:
    bool write(QByteArrayView bytes) override
    {
        written.append(bytes.toByteArray());
        return true;
    }
    qsizetype readAvailable(std::span<char> buffer) override
    {
        const qsizetype count = std::min(qsizetype(buffer.size()), queued.size());
        std::copy_n(queued.constData(), count, buffer.data());
        queued.remove(0, count);
        return count;
    }
    bool hasVanished() const override { return false; }
    QList<QByteArray> written;
    QByteArray queued;
};

// Timers that never fire by themselves: the test calls onTimer.
class ManualTimers : public ExchangeTimers
{
public:
    void start(TimerId id, int periodMs) override { active[id] = periodMs; }
    void stop(TimerId id) override { active.erase(id); }
    bool isActive(TimerId id) const override { return active.count(id) != 0; }
    int period(TimerId id) const { return isActive(id) ? active.at(id) : 0; }
    std::map<TimerId, int> active;
};
