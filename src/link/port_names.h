#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The COM names the search and scan try: "COM1" to "COM8" on every
// platform, and on Windows after them every other COM port the system lists.
// On Windows the name is the device; elsewhere OSTRIVAN_COM1 … OSTRIVAN_COM8
// name the device path a COM name opens, and otherwise COMn is the n-th serial
// device of the machine in the order of orderSerialDevices.
QStringList comPortNames();

// "COM1" to "COM8", then the other COM names among systemNames in numeric
// order, each once; anything that is no COM name is left out.
QStringList withFirstComNames(const QStringList &systemNames);

// What the port list offers: the COM names, and on Linux after them each
// adapter's link in byIdFolder, a name that stays across a replug.
QStringList listedPortNames(const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));

// The device location that a port name opens. A name that is not "COM1" to
// "COM8", and outside Windows the value of OSTRIVAN_COMn too, is a device: a
// path when it holds a "/" (relative ones from the working folder),
// otherwise a device under /dev. Empty when COMn has no device.
QString resolvePortName(const QString &name);

// Resolves port names as resolvePortName does, for one pass over the port
// list: the machine's serial devices are enumerated once, when a name first
// needs them, since that is the costly part of a start-up without adapters.
class SerialDevices
{
public:
    using Enumerator = std::function<QStringList()>;
    // enumerate gives the machine's serial device locations; by default the
    // system's list.
    explicit SerialDevices(Enumerator enumerate = {});

    // Starts the system's enumeration on another thread, for the first pass
    // that needs it: it costs about as long as the window takes to build,
    // and need not come before it. Later passes enumerate anew, since
    // adapters come and go.
    static void enumerateAhead();

    QString resolve(const QString &name);

private:
    Enumerator enumerate;
    std::optional<QStringList> ordered;
};

// The link in folder (on Linux the system's /dev/serial/by-id) that leads to
// the device at location: a name that stays the same when the adapter comes
// back under another device name. Empty when there is none.
QString stableName(const QString &location,
                   const QString &folder = QStringLiteral("/dev/serial/by-id"));

// What the system calls the device at location ("USB Serial Port (COM23)"),
// for the port's tooltip: on Windows the friendly name SetupAPI gives, on
// Linux the adapter's description. Empty when the system gives none, as for
// a pseudo-terminal or a port under Wine.
QString friendlyName(const QString &location);

// USB adapters (ttyUSB*, ttyACM*) first, each group in numeric order of the
// number at the end of the name.
QStringList orderSerialDevices(QStringList names);
