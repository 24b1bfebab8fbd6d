#pragma once

#include "line_port.h"
#include "mode_string.h"
#include "port_names.h"
#include "system_port.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

// The one port through which the program reaches the RS-485 line. Writes
// never block; reads take exactly what has arrived, never waiting for more.
// A port whose device goes away (an adapter pulled out) closes itself, after
// which reads give 0 and writes fail until the port is opened again.
class SerialPort : public QObject, public LinePort
{
    Q_OBJECT

public:
    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    // Opens "COM1" … "COM8" (see resolvePortName) or a device path, for this
    // program alone. A port already held is closed first. A pass over
    // several names resolves them all through one devices list.
    [[nodiscard]] bool open(const QString &portName, SerialDevices *devices = nullptr);
    // Applies a mode string such as "9600,N,7,2" with RTS on and DTR off.
    // A malformed string is refused and changes nothing.
    bool configure(const QString &mode);
    // Hands the whole block to the port; true when all of it was taken.
    bool write(QByteArrayView bytes) override;
    // Moves the bytes queued at the port into buffer and returns their count.
    // At most the buffer's size is moved; the rest stays queued for the next
    // call, so that the caller can count or log what it does not keep.
    [[nodiscard]] qsizetype readAvailable(std::span<char> buffer) override;
    // The device went away since the last open; the port closed itself.
    [[nodiscard]] bool hasVanished() const override { return vanished; }
    void close();

    bool isOpen() const;
    QString location() const { return portLocation; }
    // What of the line's settings the port could not take because of what
    // it is (a pseudo-terminal standing in for the line, or a COM port under
    // Wine); empty when it holds them all.
    [[nodiscard]] QString settingsShortfall() const;
    // Why the last open failed, as the system put it, or why configure
    // did; empty after a successful open.
    QString openError() const { return lastOpenError; }
    // Says that the port named portName could not be opened, and why.
    [[nodiscard]] static QString cannotOpenText(const QString &portName, const QString &reason);
    // Says that the port, opened as portName, went away during an exchange.
    [[nodiscard]] QString vanishedText(const QString &portName) const;

signals:
    // Characters have come in; readAvailable takes them.
    void charactersArrived();

private:
    void onLost();

    SystemPort device;
    QString portLocation;
    QString lastOpenError;
    QString shortfall;
    bool lost = false;
    bool vanished = false;
};
