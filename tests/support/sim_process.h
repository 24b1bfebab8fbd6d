#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the simulated transducer for a test, the soak or a benchmark, and
// stops it afterwards. Its standard output gives the terminal's path and
// the answers to "image"; its standard error is the traffic log.
class SimProcess
{
public:
    explicit SimProcess(QString program = QString()) : program(std::move(program)) {}
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    bool start(const QStringList &arguments)
    {
#ifdef VXN_SIM_PATH
        if (program.isEmpty())
            program = QStringLiteral(VXN_SIM_PATH);
#endif
        process.setProgram(program);
        process.setArguments(arguments);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        devicePath = QString::fromLocal8Bit(readLine()).trimmed();
        return !devicePath.isEmpty();
    }

    void command(const QByteArray &line)
    {
        process.write(line + '\n');
        process.waitForBytesWritten(1000);
    }

    // The configuration the transducer holds, in request form. Commands are
    // taken in order: once it has answered, every command before is in force.
    QByteArray image()
    {
        command("image");
        // A terminal served anew after a vanish is announced on the way.
        for (int lines = 0; lines < 4; ++lines) {
            const QByteArray line = readLine().trimmed();
            if (line.startsWith("image "))
                return QByteArray::fromHex(line.mid(6));
            if (line.isEmpty())
                break;
            devicePath = QString::fromLocal8Bit(line);
        }
        return QByteArray();
    }

    QByteArray log()
    {
        trafficLog += process.readAllStandardError();
        return trafficLog;
    }

    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(1000);
    }

    QProcess process;
    QString devicePath;

private:
    QByteArray readLine()
    {
        for (int i = 0; i < 100 && !process.canReadLine(); ++i)
            process.waitForReadyRead(100);
        return process.readLine();
    }

    QString program;
    QByteArray trafficLog;
};
