#pragma once

#include "mode_string.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <span>

#ifdef Q_OS_WIN
#include <QByteArray>
#include <QTimer>
#include <memory>
#else
#include <QSerialPort>
#endif

// The operating system's serial device under SerialPort: Qt SerialPort on
// Linux, the Win32 calls on Windows. It knows no COM names and no messages of
// the program; what it reports in words are the system's own.
class SystemPort
{
public:
    struct Events
    {
        std::function<void()> arrived; // characters are queued
        std::function<void()> lost;    // the device went away; close follows
    };

    explicit SystemPort(Events events);
    ~SystemPort();
    SystemPort(const SystemPort &) = delete;
    SystemPort &operator=(const SystemPort &) = delete;

    // Opens the device for this program alone. On failure error holds the
    // system's words.
    bool open(const QString &location, QString &error);
    // Applies settings with RTS on, DTR off and no flow control. A line that
    // cannot hold all of them by its nature (a pseudo-terminal, or Wine's
    // COM ports) keeps the rate and stop bits and reports the rest in
    // shortfall; a real adapter that cannot is a failure with error set.
    bool apply(const LineSettings &settings, QString &error, QString &shortfall);
    // The settings the device holds now.
    [[nodiscard]] LineSettings held() const;
    // Hands the whole block to the system without waiting for the line.
    bool write(QByteArrayView bytes);
    // Moves what is queued, at most the buffer's size, and returns its count.
    [[nodiscard]] qsizetype read(std::span<char> buffer);
    [[nodiscard]] bool isOpen() const;
    void close();

private:
    Events events;
#ifdef Q_OS_WIN
    struct Handle;
    void poll();
    void lose();
    std::unique_ptr<Handle> handle;
    QTimer pollTimer; // runs only while a reply may be on its way
    int quietPolls = 0;
#else
    QSerialPort port;
    bool pseudoTerminal = false;
    bool reading = false;
#endif
    bool lost = false;
};
