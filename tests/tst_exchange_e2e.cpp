// The exchange engine on a real port against the simulated transducer, in
// real time.

#include "config_file.h"
#include "live_exchange.h"
#include "sim_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestExchangeEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void firstReadThenWrite();
    void faults_data();
    void faults();
    void simulatorHoldsAConfigurationFile();
};

void TestExchangeEndToEnd::firstReadThenWrite()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    LiveExchange x;
    QVERIFY(x.port.open(sim.devicePath));
    QVERIFY(x.port.configure(PortModeString));

    // Identification, then the configuration: two one-second windows.
    x.engine.onReadClicked();
    QTRY_VERIFY_WITH_TIMEOUT(x.engine.image.size() == 282, 5000);
    QVERIFY(x.messages.shown.isEmpty());
    QCOMPARE(x.engine.deviceId, 401);
    QCOMPARE(x.list.count(), 37);
    QCOMPARE(x.table.row(0).coefficient, QByteArray("4000"));
    QCOMPARE(x.table.row(30).coefficient, QByteArray("1.500"));
    QCOMPARE(x.link.settings.deviceAddress, quint8(5));
    QCOMPARE(x.link.settings.cellSize, quint8(2));
    QTRY_VERIFY(!x.timers.isActive(ExchangeTimers::ProgressTimer));
    QCOMPARE(x.progress.value, 500);

    // A new address and coefficient, written and echoed back.
    x.fields.setNumericText(LinkFields::NumericField::DeviceAddress, "9");
    x.table.setRow(1, "0x0001", "2", "2500");
    x.engine.onWriteClicked();
    QVERIFY(x.engine.busy);
    QTRY_VERIFY_WITH_TIMEOUT(!x.engine.busy, 6000);
    QVERIFY2(x.messages.shown.isEmpty(), qPrintable(x.messages.texts().join(u'|')));
    QCOMPARE(x.link.settings.deviceAddress, quint8(9));
    QCOMPARE(x.list.text(1, RegisterList::CoefficientColumn), QByteArray("2500"));

    // The transducer now reports what was written.
    x.engine.image.clear();
    x.engine.onReadClicked();
    QTRY_VERIFY_WITH_TIMEOUT(!x.engine.image.isEmpty(), 3000);
    QCOMPARE(quint8(x.engine.image[0]), quint8(9));
    QCOMPARE(x.table.row(1).coefficient, QByteArray("2500"));
    QVERIFY(x.messages.shown.isEmpty());
}

void TestExchangeEndToEnd::faults_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent") << QByteArray("silent") << false << "Преобразователь не отвечает";
    QTest::newRow("late write") << QByteArray("late") << true << "Преобразователь не отвечает";
    QTest::newRow("truncated") << QByteArray("truncated") << false << "Ошибка при приеме данных";
    QTest::newRow("bad-lrc") << QByteArray("bad-lrc") << false << "Ошибка при приеме данных";
    QTest::newRow("echo-changed") << QByteArray("echo-changed") << true
                                  << "Ошибка при передаче данных";
}

void TestExchangeEndToEnd::faults()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, write);
    QFETCH(QString, message);
    SimProcess sim;
    QVERIFY(sim.start({"--model", "100"}));
    LiveExchange x;
    QVERIFY(x.port.open(sim.devicePath));
    QVERIFY(x.port.configure(PortModeString));
    x.engine.onReadClicked();
    QTRY_VERIFY_WITH_TIMEOUT(x.engine.image.size() == 126, 5000);
    const RegisterEntry row = x.table.row(2);

    sim.command("fault " + fault);
    QTRY_VERIFY(sim.log().contains("fault " + fault));
    write ? x.engine.onWriteClicked() : x.engine.onReadClicked();
    QTRY_VERIFY_WITH_TIMEOUT(!x.messages.shown.isEmpty(), 6000);
    const UserMessage expected{"Ошибка", message, MessageIcon::Exclamation};
    QCOMPARE(x.messages.shown, QList<UserMessage>{expected});
    QVERIFY(!x.waitingForReply());
    QVERIFY(!x.engine.busy);
    QCOMPARE(x.table.row(2), row);
}

void TestExchangeEndToEnd::simulatorHoldsAConfigurationFile()
{
    // A configuration saved from a table of model 300 with edited rows.
    ConfigFile::Configuration configuration;
    {
        MemoryRegisterList list;
        RegisterTable table(list);
        QString fileName;
        buildRegisterTable(table, 300, fileName);
        table.setRow(0, "0x0040 ", "2", "2500");
        for (int r = 0; r < table.rowCount(); ++r)
            configuration.rows.append(table.row(r));
    }
    configuration.deviceId = 300;
    configuration.link = {7, 0x45, 2, 0x20};
    QTemporaryDir dir;
    QFile file(dir.filePath("bench.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ConfigFile::encode(configuration));
    file.close();

    SimProcess sim;
    QVERIFY(sim.start({"--config", file.fileName()}));
    LiveExchange x;
    QVERIFY(x.port.open(sim.devicePath));
    QVERIFY(x.port.configure(PortModeString));
    x.engine.onReadClicked();
    QTRY_VERIFY_WITH_TIMEOUT(!x.engine.image.isEmpty(), 5000);
    QVERIFY(x.messages.shown.isEmpty());
    QCOMPARE(x.engine.deviceId, 300);
    QCOMPARE(x.link.settings.deviceAddress, quint8(7));
    QCOMPARE(x.link.settings.wiringByte, quint8(0x20));
    QCOMPARE(x.table.row(0).address, QByteArray("0x0040"));
    QCOMPARE(x.table.row(0).coefficient, QByteArray("2500"));
    QCOMPARE(x.table.row(1).address, configuration.rows[1].address.trimmed());
}

QTEST_GUILESS_MAIN(TestExchangeEndToEnd)
#include "tst_exchange_e2e.moc"
