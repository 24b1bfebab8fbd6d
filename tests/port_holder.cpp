// Test helper: opens a port like the program does and holds it until it is
// told to stop by a signal.

#include "serial_port.h"
#include "termination_signals.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    TerminationSignals terminationSignals;
    SerialPort port;
    if (!port.open(QString::fromLocal8Bit(argv[1])) || !port.configure(PortModeString)) {
        std::puts("failed");
        return 1;
    }
    std::puts("open");
    std::fflush(stdout);
    app.exec();
    port.close();
    std::puts("closed");
    return 0;
}
