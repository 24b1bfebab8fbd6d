#include "port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>
#include <algorithm>
#include <future>
#include <tuple>

#ifdef Q_OS_WIN
#include <windows.h>
#include <setupapi.h>
#else
#include <QSerialPortInfo>
#endif

namespace {

constexpr int ComPortCount = 8;

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

#ifdef Q_OS_WIN
// The COM names the system lists under HARDWARE\DEVICEMAP\SERIALCOMM.
QStringList systemSerialDevices()
{
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[256];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE *>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        names << QString::fromWCharArray(data, int(dataSize / sizeof(wchar_t))).section(u'\0', 0, 0);
    }
    RegCloseKey(key);
    return names;
}
#else
QStringList systemSerialDevices()
{
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    return devices;
}
#endif

#ifndef Q_OS_WIN
int comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-8])$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// What OSTRIVAN_COMn maps the name "COMn" to; empty when unset.
QString mappedDevice(const QString &comName)
{
    return qEnvironmentVariable(qPrintable(QStringLiteral("OSTRIVAN_") + comName));
}

// The device a name opens: one with a "/" is a path, from the working folder
// when it is relative; a bare name is a device under /dev.
QString devicePath(const QString &name)
{
    return name.contains(u'/') ? QFileInfo(name).absoluteFilePath()
                               : QStringLiteral("/dev/") + name;
}

// The enumeration started ahead, until a pass takes it; main thread only.
std::future<QStringList> &enumeratedAhead()
{
    static std::future<QStringList> ahead;
    return ahead;
}
#endif

} // namespace

QStringList comPortNames()
{
#ifdef Q_OS_WIN
    return withFirstComNames(systemSerialDevices());
#else
    return withFirstComNames({});
#endif
}

QStringList withFirstComNames(const QStringList &systemNames)
{
    QStringList names;
    for (int n = 1; n <= ComPortCount; ++n)
        names << QStringLiteral("COM%1").arg(n);
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"));
    QList<int> others;
    for (const QString &name : systemNames) {
        const QRegularExpressionMatch match = com.match(name);
        const int n = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (n > ComPortCount && !others.contains(n))
            others << n;
    }
    std::sort(others.begin(), others.end());
    for (int n : others)
        names << QStringLiteral("COM%1").arg(n);
    return names;
}

QStringList listedPortNames(const QString &byIdFolder)
{
    QStringList names = comPortNames();
#ifndef Q_OS_WIN
    for (const QFileInfo &link :
         QDir(byIdFolder).entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.isSymLink() && link.exists())
            names << link.absoluteFilePath();
    }
#else
    Q_UNUSED(byIdFolder)
#endif
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

#ifdef Q_OS_WIN
namespace {

// The device's registry value name as text, or empty.
QString registryText(HKEY key, const wchar_t *value)
{
    wchar_t text[256]{};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return QString::fromWCharArray(text);
}

} // namespace

QString friendlyName(const QString &location)
{
    // The setup class of COM and LPT ports.
    static const GUID portsClass = {
        0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    const HDEVINFO devices = SetupDiGetClassDevsW(&portsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return {};
    QString found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; found.isEmpty() && SetupDiEnumDeviceInfo(devices, index, &device);
         ++index) {
        const HKEY key =
            SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const QString portName = registryText(key, L"PortName");
        RegCloseKey(key);
        if (portName.compare(location, Qt::CaseInsensitive) != 0)
            continue;
        wchar_t text[256]{};
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE *>(text),
                                              sizeof text - sizeof(wchar_t), nullptr))
            found = QString::fromWCharArray(text);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return found;
}
#else
QString friendlyName(const QString &location)
{
    // Only a serial device has one; asking the system costs an enumeration,
    // which a pseudo-terminal need not wait for.
    const QString device = QFileInfo(location).canonicalFilePath();
    if (!device.startsWith(u"/dev/tty"))
        return {};
    const QSerialPortInfo info(device);
    return info.isNull() ? QString() : info.description();
}
#endif

QString resolvePortName(const QString &name)
{
    return SerialDevices().resolve(name);
}

void SerialDevices::enumerateAhead()
{
#ifndef Q_OS_WIN
    // The start-up probe stops at the first name that opens: names mapped to
    // a device up to there need no enumeration, and it would only compete
    // with the window for the processor.
    bool needed = false;
    for (const QString &name : comPortNames()) {
        const QString mapped = mappedDevice(name);
        if (mapped.isEmpty()) {
            needed = true;
            break;
        }
        if (QFileInfo::exists(devicePath(mapped)))
            break;
    }
    if (needed && !enumeratedAhead().valid())
        enumeratedAhead() = std::async(std::launch::async, systemSerialDevices);
#endif
}

SerialDevices::SerialDevices(Enumerator enumerate) : enumerate(std::move(enumerate))
{
    if (!this->enumerate)
        this->enumerate = [] {
#ifndef Q_OS_WIN
            if (enumeratedAhead().valid())
                return enumeratedAhead().get();
#endif
            return systemSerialDevices();
        };
}

QString SerialDevices::resolve(const QString &name)
{
#ifdef Q_OS_WIN
    return name;
#else
    const int n = comNumber(name);
    if (n == 0)
        return devicePath(name);
    const QString mapped = mappedDevice(name);
    if (!mapped.isEmpty())
        return devicePath(mapped);
    if (!ordered)
        ordered = orderSerialDevices(enumerate());
    return n <= ordered->size() ? ordered->at(n - 1) : QString();
#endif
}
