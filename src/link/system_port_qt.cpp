#include "system_port.h"

#include <QFileInfo>
#include <cerrno>

namespace {

QSerialPort::Parity qtParity(LineParity parity)
{
    switch (parity) {
    case LineParity::Even:
        return QSerialPort::EvenParity;
    case LineParity::Odd:
        return QSerialPort::OddParity;
    case LineParity::Mark:
        return QSerialPort::MarkParity;
    case LineParity::Space:
        return QSerialPort::SpaceParity;
    case LineParity::None:
        break;
    }
    return QSerialPort::NoParity;
}

LineParity lineParity(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return LineParity::Even;
    case QSerialPort::OddParity:
        return LineParity::Odd;
    case QSerialPort::MarkParity:
        return LineParity::Mark;
    case QSerialPort::SpaceParity:
        return LineParity::Space;
    default:
        return LineParity::None;
    }
}

QSerialPort::StopBits qtStopBits(LineStopBits stopBits)
{
    switch (stopBits) {
    case LineStopBits::One:
        return QSerialPort::OneStop;
    case LineStopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineStopBits::Two:
        break;
    }
    return QSerialPort::TwoStop;
}

LineStopBits lineStopBits(QSerialPort::StopBits stopBits)
{
    switch (stopBits) {
    case QSerialPort::OneStop:
        return LineStopBits::One;
    case QSerialPort::OneAndHalfStop:
        return LineStopBits::OneAndHalf;
    default:
        return LineStopBits::Two;
    }
}

} // namespace

SystemPort::SystemPort(Events events) : events(std::move(events))
{
    QObject::connect(&port, &QSerialPort::errorOccurred, &port,
                     [this](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::ReadError &&
                             error != QSerialPort::ResourceError)
                             return;
                         // Qt reports it on every event-loop pass while the
                         // port stays open: once is enough.
                         if (!lost && port.isOpen()) {
                             lost = true;
                             this->events.lost();
                         }
                     });
    QObject::connect(&port, &QSerialPort::readyRead, &port, [this] {
        if (!reading)
            this->events.arrived();
    });
}

SystemPort::~SystemPort()
{
    close();
}

bool SystemPort::open(const QString &location, QString &error)
{
    close();
    // An absent device fails at once: the port would first take a lock file
    // and sync it to disk, which a start-up over eight absent names pays for
    // eight times.
    if (!QFileInfo::exists(location)) {
        error = qt_error_string(ENOENT);
        return false;
    }
    port.setPortName(location);
    if (!port.open(QIODevice::ReadWrite)) {
        error = port.errorString();
        port.clearError();
        return false;
    }
    pseudoTerminal = QFileInfo(location).canonicalFilePath().startsWith(u"/dev/pts/");
    return true;
}

bool SystemPort::apply(const LineSettings &settings, QString &error, QString &shortfall)
{
    // A pseudo-terminal has no line: it carries 8-bit characters without
    // parity and has no modem lines, so it refuses 7 data bits, any parity
    // other than none, and RTS/DTR. There those are left as the terminal
    // holds them; the rate and stop bits still have to be taken.
    const bool ok = port.setBaudRate(settings.baudRate) &&
                    port.setStopBits(qtStopBits(settings.stopBits));
    const bool lineOk = port.setParity(qtParity(settings.parity)) &&
                        port.setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
                        port.setDataTerminalReady(false) && port.setRequestToSend(true);
    if (!ok || (!lineOk && !pseudoTerminal))
        error = port.errorString();
    port.clearError();
    shortfall = lineOk ? QString() : QStringLiteral("псевдотерминал");
    return ok && (lineOk || pseudoTerminal);
}

LineSettings SystemPort::held() const
{
    return {port.baudRate(), lineParity(port.parity()), int(port.dataBits()),
            lineStopBits(port.stopBits())};
}

bool SystemPort::write(QByteArrayView bytes)
{
    const qint64 taken = port.write(bytes.data(), bytes.size());
    // Starts the transfer now rather than at the next event-loop pass; what
    // the driver cannot take yet stays in Qt's buffer and goes out later.
    port.flush();
    return taken == bytes.size();
}

qsizetype SystemPort::read(std::span<char> buffer)
{
    if (reading || buffer.empty())
        return 0;
    // Qt refills its buffer only from the event loop; a zero wait pulls in
    // what the system has queued right now. It can emit readyRead and
    // errorOccurred from inside, hence the guard.
    reading = true;
    port.waitForReadyRead(0);
    reading = false;
    if (lost || !port.isOpen())
        return 0;
    const qint64 count = port.read(buffer.data(), qint64(buffer.size()));
    return count > 0 ? qsizetype(count) : 0;
}

bool SystemPort::isOpen() const
{
    return port.isOpen() && !lost;
}

void SystemPort::close()
{
    lost = false;
    pseudoTerminal = false;
    if (port.isOpen())
        port.close();
    port.clearError();
}
