#pragma once

#include "device_models.h"
#include "exchange_engine.h"
#include "link_settings.h"
#include "register_table.h"

#include <QList>
#include <QTime>
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
    // When the last message came, in milliseconds of the day.
    int lastShownAtMs = 0;
    QList<bool> answers;
    QStringList texts() const
    {
        QStringList list;
        for (const UserMessage &message : shown)
            list << message.text;
        return list;
    }
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
    qsizetype readAvailable(char *buffer, qsizetype capacity) override
    {
        const qsizetype count = std::min(capacity, queued.size());
        std::copy_n(queued.constData(), count, buffer);
        queued.clear();
        return count;
    }
    QList<QByteArray> written;
    QByteArray queued;
};

// Timers that never fire by themselves: the test calls onTimer.
class ManualTimers : public ExchangeTimers
{
public:
    void start(TimerId id, int periodMs) override { active[id] = periodMs; }
    void stop(TimerId id) override { active.erase(id); }
    bool isActive(TimerId id) const { return active.count(id) != 0; }
    int period(TimerId id) const { return isActive(id) ? active.at(id) : 0; }
    std::map<int, int> active;
};

class MemoryProgress : public ProgressView
{
public:
    int maximum() const override { return ExchangeEngine::ProgressMaximum; }
    void setValue(int newValue) override { value = newValue; }
    int value = 0;
};

// Everything the window owns for an exchange, without the window, as it is
// right after the window has opened.
struct WindowState
{
    WindowState() { link.initFields(); }

    MemoryRegisterList list;
    RegisterTable table{list};
    MemoryLinkFields fields;
    RecordingMessages messages;
    QString configFileName;
    LinkSettingsEditor link{fields, messages, table, configFileName};
};

// The exchange on a scripted line with timers the test fires.
struct ExchangeFixture : WindowState
{
    QString columnText(int row, int column) const
    {
        return QString::fromLatin1(list.text(row, column));
    }

    ScriptedPort port;
    ManualTimers timers;
    MemoryProgress progress;
    ExchangeEngine engine{port, timers, progress, messages, table, link, configFileName};
};
