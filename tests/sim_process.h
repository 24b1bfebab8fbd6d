#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

// Runs the simulated transducer for a test and stops it afterwards.
class SimProcess
{
public:
    ~SimProcess() { stop(); }

    bool start(const QStringList &arguments)
    {
        process.setProgram(QStringLiteral(VXN_SIM_PATH));
        process.setArguments(arguments);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100 && !process.canReadLine(); ++i)
            process.waitForReadyRead(100);
        devicePath = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !devicePath.isEmpty();
    }

    void command(const QByteArray &line) { process.write(line + '\n'); }

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
    QByteArray trafficLog;
};
