#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>
#include <QTime>

// One event on the line: a frame sent or received, or a reply window that
// closed with nothing in it.
struct TrafficEvent
{
    enum class Direction
    {
        Sent,
        Received
    };

    // An event keeps at most this many of its characters: every frame of a
    // device is shorter, and a line that never stops talking must not fill
    // the memory.
    static constexpr qsizetype MaxKeptCharacters = 2000;

    // An event of text, of which only the first MaxKeptCharacters are kept;
    // omitted counts further characters that came but were not kept.
    static TrafficEvent of(QTime time, Direction direction, QByteArrayView text, QString meaning,
                           qsizetype omitted = 0);

    // All the characters that came, kept or not.
    [[nodiscard]] qsizetype characterCount() const { return frame.size() + omitted; }

    QTime time;
    Direction direction = Direction::Sent;
    QByteArray frame;      // the characters exactly as they went, up to the bound
    QString meaning;       // what the program made of them
    qsizetype omitted = 0; // characters beyond frame

    friend bool operator==(const TrafficEvent &, const TrafficEvent &) = default;
};

namespace TrafficFormat {

// The characters of a frame as text: CR and LF as \r and \n, other control
// and non-ASCII characters as \xNN.
[[nodiscard]] QString escaped(QByteArrayView frame);

// An event's characters as text, with those it did not keep counted.
[[nodiscard]] QString shownFrame(const TrafficEvent &event);

// What a frame means, read by the program's own parser: a request for a
// configuration, a configuration, a write and its echo, another device's ID,
// or the fault found in it. An empty received frame is a window with no reply.
[[nodiscard]] QString meaning(TrafficEvent::Direction direction, QByteArrayView frame);

// "→" for sent, "←" for received.
[[nodiscard]] QString arrow(TrafficEvent::Direction direction);

// One line per event, the columns separated by tabs: time (hh:mm:ss.zzz),
// direction, character count, frame, meaning. The log window saves and
// copies these lines; the command-line tool prints them.
[[nodiscard]] QString line(const TrafficEvent &event);

} // namespace TrafficFormat

// The traffic since the program started, newest last, bounded to the last
// Capacity events. It costs nothing between events: no timer, no wake-up.
class TrafficLog : public QObject
{
    Q_OBJECT

public:
    // A 401 read or write is two events of at most 573 characters; no event
    // keeps more than 2,000, so the log holds at most about 20 MB of frames.
    static constexpr int Capacity = 10000;

    explicit TrafficLog(QObject *parent = nullptr, int capacity = Capacity);

    void append(TrafficEvent event);
    void clear();

    [[nodiscard]] int size() const { return int(events.size()); }
    [[nodiscard]] const TrafficEvent &at(int i) const { return events.at(i); }
    [[nodiscard]] int capacity() const { return limit; }

signals:
    void aboutToAppend(int index);
    void appended(int index);
    void aboutToDropOldest();
    void droppedOldest();
    void aboutToClear();
    void cleared();

private:
    QList<TrafficEvent> events;
    int limit;
};
