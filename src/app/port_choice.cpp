#include "port_choice.h"

#include "mode_string.h"
#include "port_names.h"
#include "serial_port.h"

QStringList PortChoice::entries()
{
    return listedPortNames() << noPort();
}

QString PortChoice::noPort()
{
    return QStringLiteral("НЕТ");
}

bool PortChoice::openAndConfigure(const QString &name, bool drain, SerialDevices *devices)
{
    if (!port.open(name, devices))
        return false;
    port.configure(PortModeString);
    if (drain) {
        // Whatever arrived on another port's behalf is not a reply.
        char discard[1024];
        [[maybe_unused]] const qsizetype dropped = port.readAvailable(discard);
    }
    return true;
}

void PortChoice::probe()
{
    selectedPortName = noPort();
    SerialDevices devices;
    for (const QString &name : comPortNames()) {
        if (port.open(name, &devices)) {
            selectedPortName = name;
            break;
        }
    }
    openPortName = selectedPortName;
    if (openPortName != noPort())
        port.configure(PortModeString);
}

void PortChoice::onPortChanged(const QString &picked)
{
    selectedPortName = picked;
    if (selectedPortName != openPortName && selectedPortName != noPort()) {
        if (openPortName != noPort())
            port.close();
        SerialDevices devices;
        if (openAndConfigure(selectedPortName, true, &devices)) {
            openPortName = selectedPortName;
            failureReason.clear();
            return;
        }
        failureReason = port.openError();
        selectedPortName = openPortName;
        if (openPortName != noPort())
            openAndConfigure(openPortName, true, &devices);
    } else if (selectedPortName == noPort()) {
        if (openPortName != noPort())
            port.close();
        openPortName = noPort();
    } else {
        // The port in use picked again after its device went away.
        reopenIfLost();
    }
}

void PortChoice::reopenIfLost()
{
    if (openPortName == noPort() || port.isOpen())
        return;
    if (openAndConfigure(openPortName, true))
        failureReason.clear();
    else
        failureReason = port.openError();
}
