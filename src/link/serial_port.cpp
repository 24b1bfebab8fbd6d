#include "serial_port.h"

#include "port_names.h"

#include <QMetaObject>

SerialPort::SerialPort(QObject *parent)
    : QObject(parent), device({[this] { emit charactersArrived(); }, [this] { onLost(); }})
{
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
    portLocation = location;
    vanished = false;
    QString error;
    if (!device.open(location, error)) {
        lastOpenError = QStringLiteral("%1: %2").arg(location, error);
        return false;
    }
    return true;
}

QString SerialPort::cannotOpenText(const QString &portName, const QString &reason)
{
    return QStringLiteral("Не могу открыть порт %1: %2").arg(portName, reason);
}

QString SerialPort::vanishedText(const QString &portName) const
{
    return QStringLiteral("Порт %1 (%2) пропал во время обмена: адаптер отключён")
        .arg(portName, portLocation);
}

QString SerialPort::settingsShortfall() const
{
    if (shortfall.isEmpty())
        return {};
    return QStringLiteral("%1: 7 бит данных и чётность не применяются, только скорость и "
                          "стоповые биты")
        .arg(shortfall);
}

bool SerialPort::isOpen() const
{
    return device.isOpen() && !lost;
}

bool SerialPort::configure(const QString &mode)
{
    if (!isOpen())
        return false;
    const std::optional<LineSettings> settings = parseModeString(mode);
    if (!settings)
        return false;
    const LineSettings previous = device.held();
    QString error;
    if (device.apply(*settings, error, shortfall))
        return true;
    QString ignored;
    device.apply(previous, ignored, shortfall);
    // To the user the port is not open until it carries the line's settings.
    lastOpenError = error.isEmpty() ? QStringLiteral("нет настроек линии")
                                    : QStringLiteral("нет настроек линии: %1").arg(error);
    return false;
}

bool SerialPort::write(QByteArrayView bytes)
{
    return isOpen() && device.write(bytes);
}

qsizetype SerialPort::readAvailable(std::span<char> buffer)
{
    if (!isOpen())
        return 0;
    return device.read(buffer);
}

void SerialPort::close()
{
    lost = false;
    shortfall.clear();
    device.close();
}

void SerialPort::onLost()
{
    // The device has gone: the port closes itself, though not from inside the
    // system port's own report.
    if (lost)
        return;
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
