#include "port_names.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <tuple>

namespace {

constexpr int ComPortCount = 8;

int comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-8])$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

auto deviceOrderKey(const QString &location)
{
    const QString base = location.section(u'/', -1);
    const bool usb = base.startsWith(u"ttyUSB") || base.startsWith(u"ttyACM");
    qsizetype digitsFrom = base.size();
    while (digitsFrom > 0 && base.at(digitsFrom - 1).isDigit())
        --digitsFrom;
    const qlonglong number = digitsFrom < base.size() ? base.mid(digitsFrom).toLongLong() : -1;
    return std::make_tuple(usb ? 0 : 1, number, base);
}

} // namespace

QStringList comPortNames()
{
    QStringList names;
    for (int n = 1; n <= ComPortCount; ++n)
        names << QStringLiteral("COM%1").arg(n);
    return names;
}

QStringList orderSerialDevices(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return deviceOrderKey(a) < deviceOrderKey(b);
    });
    return names;
}

QString resolvePortName(const QString &name)
{
    const int n = comNumber(name);
#ifndef Q_OS_WIN
    // A name with a "/" in it is a path, from the working folder when it is
    // relative; the port would otherwise look for it under /dev.
    if (n == 0 && name.contains(u'/'))
        return QFileInfo(name).absoluteFilePath();
#endif
    if (n == 0)
        return name;
#ifdef Q_OS_WIN
    return name;
#else
    const QByteArray mapped =
        qgetenv(QStringLiteral("OSTRIVAN_COM%1").arg(n).toLatin1().constData());
    if (!mapped.isEmpty())
        return QString::fromLocal8Bit(mapped);
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices = orderSerialDevices(devices);
    return n <= devices.size() ? devices[n - 1] : QString();
#endif
}
