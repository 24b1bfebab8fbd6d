#pragma once

#include "pseudo_terminal.h"
#include "transducer.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <deque>

// The simulated transducer on its pseudo-terminal: it reads requests from
// the line and commands from standard input, and sends the transducer's
// replies at the line's pace, with the faults it is given.
class Simulator
{
public:
    // pacing: replies go out at 9600 baud pace; adapterEcho: every request
    // comes back first; linkPath: also a symbolic link to the terminal.
    Simulator(Transducer transducer, bool pacing, bool adapterEcho, QString linkPath);

    // Creates the terminal and prints its path; false when it cannot.
    bool start();
    // Serves until a stop is requested, by a signal or the command "quit".
    void run();
    // Removes the link made here and closes the terminal.
    void stop();
    // Safe from a signal handler.
    static void requestStop();

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing
    {
        QByteArray text;
        Clock::time_point due;
        qsizetype sent = 0;
        qsizetype vanishAt = -1; // the line goes away once this much is out
    };

    // The path is printed once the link is there: whoever reads it may open
    // either at once.
    void announce();
    bool linkIsOurs() const;
    void onAttachedChanged(bool attached);

    int pollTimeoutMs(bool attached) const;
    void receive();

    void answer(const QByteArray &request);

    // Queues a text to go out at due or after what is queued before it;
    // returns when it starts.
    Clock::time_point queue(const QByteArray &text, Clock::time_point due);
    Clock::duration lineTime(qsizetype characters) const;

    void sendDue();

    // One command per line: "fault KIND" (or just the kind), "echo on" or
    // "echo off" (an adapter that hears itself), "image" (prints the
    // configuration held, in hex, on standard output), "vanish" (the terminal
    // goes away and a new one is served, as when an adapter is pulled out and
    // plugged in again), or "quit".
    bool readCommand();
    // The terminal goes away and a new one is served.
    void vanish();
    void execute(const QString &command);

    static constexpr qsizetype MaxCommandLength = 4096;

    Transducer device;
    bool pacing;
    bool adapterEcho;
    QString linkPath;
    QString linkTarget; // the terminal the link was made to
    PseudoTerminal line;
    bool clientAttached = false;
    QByteArray received;
    QByteArray command; // the command line so far
    bool commandTooLong = false;
    std::deque<Outgoing> outgoing;
};
