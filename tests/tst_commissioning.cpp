// The steps of commissioning against the simulated transducer: each step is
// announced and ended with its outcome, as a window shows them, and the run
// ends in one record.

#include "commissioning.h"
#include "config_store.h"
#include "live_exchange.h"
#include "sim_process.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestCommissioning : public QObject
{
    Q_OBJECT

private slots:
    void stepsAsTheyHappen_data();
    void stepsAsTheyHappen();
};

void TestCommissioning::stepsAsTheyHappen_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QStringList>("steps"); // "+n" started, "=n ok" / "=n failed" ended
    QTest::addColumn<CommissionRecord::Result>("result");
    QTest::newRow("commissioned") << QByteArray("none")
                                  << QStringList{"+0", "=0 ok", "+1", "=1 ok", "+2", "=2 ok"}
                                  << CommissionRecord::Result::Commissioned;
    QTest::newRow("not stored") << QByteArray("not-stored")
                                << QStringList{"+0", "=0 ok", "+1", "=1 ok", "+2", "=2 failed"}
                                << CommissionRecord::Result::Failed;
    QTest::newRow("silent") << QByteArray("silent") << QStringList{"+0", "=0 failed"}
                            << CommissionRecord::Result::Failed;
}

void TestCommissioning::stepsAsTheyHappen()
{
    QFETCH(QByteArray, fault);
    QFETCH(QStringList, steps);
    QFETCH(CommissionRecord::Result, result);
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    // The reference: what the transducer holds, at another address.
    const QTemporaryDir dir;
    const QString reference = dir.filePath("ref.dat");
    {
        LiveExchange x;
        QVERIFY(x.port.open(sim.devicePath) && x.port.configure(PortModeString));
        QVERIFY(x.run(ExchangeKind::Read).succeeded(ExchangeKind::Read));
        x.session.link = asTheWindowHoldsThem(x.session.link);
        x.session.link.deviceAddress = 9;
        QCOMPARE(ConfigStore::save(reference, ConfigStore::configurationOf(x.session)).status,
                 ConfigStore::SaveResult::Status::Saved);
    }
    sim.command("fault " + fault);
    QVERIFY(!sim.image().isEmpty());

    SerialPort port;
    Commissioning commissioning(port);
    QStringList seen;
    connect(&commissioning, &Commissioning::stepStarted,
            [&seen](Commissioning::Step step) { seen << QStringLiteral("+%1").arg(int(step)); });
    connect(&commissioning, &Commissioning::stepEnded, [&seen](Commissioning::Step step, bool ok) {
        seen << QStringLiteral("=%1 %2").arg(int(step)).arg(ok ? "ok" : "failed");
    });
    QSignalSpy finished(&commissioning, &Commissioning::finished);
    commissioning.start({reference, std::nullopt, QString(), sim.devicePath, QString()});
    QVERIFY(commissioning.isRunning());
    QVERIFY(finished.wait(15000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(seen, steps);
    const CommissionRecord record = finished.first().first().value<CommissionRecord>();
    QCOMPARE(record.result, result);
    QCOMPARE(record, commissioning.record());
    QVERIFY(!commissioning.isRunning());
}

QTEST_GUILESS_MAIN(TestCommissioning)
#include "tst_commissioning.moc"
