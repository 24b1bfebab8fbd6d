#pragma once

#include <QString>

// The simulator's end of a pseudo-terminal. The program opens the other end
// (the slave device) as if it were a serial adapter.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal();

    bool create(QString *error);
    void close();

    int masterFd() const { return master; }
    QString devicePath() const { return path; }

    // Whether a client has the device open: the master reports a hang-up
    // while nobody does.
    bool clientAttached() const;

    // Makes the line usable for the next client after one went away, even
    // one that was killed while it held the terminal exclusively with its own
    // settings. False when the terminal cannot be reopened to do so.
    bool resetLine();

private:
    int master = -1;
    QString path;
};
