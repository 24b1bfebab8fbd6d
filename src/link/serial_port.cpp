#include "serial_port.h"

#include "port_names.h"

#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>

SerialPort::SerialPort(QObject *parent) : QObject(parent)
{
    connect(&port, &QSerialPort::errorOccurred, this, &SerialPort::onErrorOccurred);
    connect(&port, &QSerialPort::readyRead, this, [this] {
        if (!reading)
            emit charactersArrived();
    });
}

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::open(const QString &portName, SerialDevices *devices)
{
    close();
    lastOpenError.clear();
    const QString location = devices ? devices->resolve(portName) : resolvePortName(portName);
    if (location.isEmpty()) {
        lastOpenError = QStringLiteral("Устройство для порта %1 не найдено").arg(portName);
        return false;
    }
    port.setPortName(location);
    portLocation = location;
    lost = false;
    vanished = false;
#ifndef Q_OS_WIN
    // An absent device fails at once: the port would first take a lock file
    // and sync it to disk, which a start-up over eight absent names pays for
    // eight times.
    if (!QFileInfo::exists(location)) {
        lastOpenError = QStringLiteral("%1: %2").arg(location, qt_error_string(ENOENT));
        return false;
    }
#endif
    if (!port.open(QIODevice::ReadWrite)) {
        lastOpenError = QStringLiteral("%1: %2").arg(location, port.errorString());
        port.clearError();
        return false;
    }
#ifdef Q_OS_LINUX
    pseudoTerminal = QFileInfo(location).canonicalFilePath().startsWith(u"/dev/pts/");
#endif
    return true;
}

QString SerialPort::vanishedText(const QString &portName) const
{
    return QStringLiteral("Порт %1 (%2) пропал во время обмена: адаптер отключён")
        .arg(portName, portLocation);
}

bool SerialPort::isOpen() const
{
    return port.isOpen() && !lost;
}

bool SerialPort::configure(const QString &mode)
{
    if (!isOpen())
        return false;
    const std::optional<LineSettings> settings = parseModeString(mode);
    if (!settings)
        return false;
    const LineSettings previous{port.baudRate(), port.parity(), port.dataBits(), port.stopBits()};
    if (applySettings(*settings))
        return true;
    applySettings(previous);
    // To the user the port is not open until it carries the line's settings.
    lastOpenError = QStringLiteral("нет настроек линии");
    return false;
}

bool SerialPort::applySettings(const LineSettings &settings)
{
    // A pseudo-terminal has no line: it carries 8-bit characters without
    // parity and has no modem lines, so it refuses 7 data bits, any parity
    // other than none, and RTS/DTR. There those are left as the terminal
    // holds them; the rate and stop bits still have to be taken. A real
    // adapter must take every setting.
    const bool ok = port.setBaudRate(settings.baudRate) && port.setStopBits(settings.stopBits);
    const bool lineOk = port.setParity(settings.parity) && port.setDataBits(settings.dataBits) &&
                        port.setDataTerminalReady(false) && port.setRequestToSend(true);
    port.clearError();
    return ok && (lineOk || pseudoTerminal);
}

bool SerialPort::write(QByteArrayView bytes)
{
    if (!isOpen())
        return false;
    const qint64 taken = port.write(bytes.data(), bytes.size());
    // Starts the transfer now rather than at the next event-loop pass; what
    // the driver cannot take yet stays in Qt's buffer and goes out later.
    port.flush();
    return taken == bytes.size();
}

qsizetype SerialPort::readAvailable(std::span<char> buffer)
{
    if (!isOpen() || reading || buffer.empty())
        return 0;
    // Qt refills its buffer only from the event loop; a zero wait pulls in
    // what the system has queued right now. It can emit readyRead and
    // errorOccurred from inside, hence the guard.
    reading = true;
    port.waitForReadyRead(0);
    reading = false;
    if (!isOpen())
        return 0;
    const qint64 count = port.read(buffer.data(), qint64(buffer.size()));
    return count > 0 ? qsizetype(count) : 0;
}

void SerialPort::close()
{
    lost = false;
    pseudoTerminal = false;
    if (port.isOpen())
        port.close();
    port.clearError();
}

void SerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The device has gone. Qt would report the same error on every event-loop
    // pass while the port stays open, so it is closed, though not from inside
    // Qt's own signal.
    if (!lost && port.isOpen()) {
        lost = true;
        vanished = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (lost)
                    close();
            },
            Qt::QueuedConnection);
    }
}
