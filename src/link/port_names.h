#pragma once

#include <QString>
#include <QStringList>

// The port list offers "COM1" to "COM8" on every platform. On Windows the
// name is the device; elsewhere OSTRIVAN_COM1 … OSTRIVAN_COM8 name the device
// path a COM name opens, and otherwise COMn is the n-th serial device of the
// machine in the order of orderSerialDevices.
QStringList comPortNames();

// The device location that a port name opens. A name that is not "COM1" to
// "COM8" is a device: a path when it holds a "/" (relative ones from the
// working folder), otherwise, outside Windows, a device under /dev. Empty
// when COMn has no device.
QString resolvePortName(const QString &name);

// USB adapters (ttyUSB*, ttyACM*) first, each group in numeric order of the
// number at the end of the name.
QStringList orderSerialDevices(QStringList names);
