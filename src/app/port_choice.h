#pragma once

#include <QString>
#include <QStringList>

class SerialDevices;
class SerialPort;

// Which port of the list is in use. The window probes the ports as it opens
// and keeps the first that opens; a port picked later replaces the one in
// use only if it opens, otherwise the one in use is opened again. No message
// is shown for either: the list shows the outcome, and failureReason says
// why the last pick failed.
class PortChoice
{
public:
    explicit PortChoice(SerialPort &port) : port(port) {}

    // "COM1" … "COM8" and the entry for no port.
    static QStringList entries();
    static QString noPort();

    // Opens the first of COM1 … COM8 that opens and configures it.
    void probe();
    // A port was picked in the list. Afterwards selectedPortName is the
    // entry the list has to show. Picking the port in use again reopens it
    // if its device has gone away meanwhile.
    void onPortChanged(const QString &picked);
    // Opens the port in use again, resolved anew, when it closed itself (an
    // adapter pulled out may come back under another device name); before
    // each exchange. failureReason says why it did not open.
    void reopenIfLost();

    QString openPortName = noPort();
    QString selectedPortName = noPort();
    // Why the last picked port did not open; empty after a success.
    QString failureReason;

private:
    bool openAndConfigure(const QString &name, bool drain, SerialDevices *devices = nullptr);

    SerialPort &port;
};
