#include "port_names.h"

#include <QDir>
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

QString stableName(const QString &location, const QString &folder)
{
    const QString device = QFileInfo(location).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const QDir links(folder);
    for (const QFileInfo &link : links.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.isSymLink() && link.canonicalFilePath() == device)
            return link.absoluteFilePath();
    }
    return {};
}

QString resolvePortName(const QString &name)
{
    return SerialDevices().resolve(name);
}

SerialDevices::SerialDevices(Enumerator enumerate) : enumerate(std::move(enumerate))
{
    if (!this->enumerate)
        this->enumerate = [] {
            QStringList devices;
            for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
                devices << info.systemLocation();
            return devices;
        };
}

QString SerialDevices::resolve(const QString &name)
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
    if (!ordered)
        ordered = orderSerialDevices(enumerate());
    return n <= ordered->size() ? ordered->at(n - 1) : QString();
#endif
}
