// The exchange engine on a real port against the simulated transducer, in
// real time, in a program that links no widget library: the engine's
// signals are all a program without a window gets.

#include "config_file.h"
#include "device_models.h"
#include "live_exchange.h"
#include "port_search.h"
#include "sim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What the engine reported, in order, but for the bar: its positions are
// kept apart, since its ticks fall between the other signals as time has it.
struct SignalLog
{
    explicit SignalLog(ExchangeEngine &engine)
    {
        QObject::connect(&engine, &ExchangeEngine::busyChanged,
                         [this](bool busy) { events << (busy ? "busy" : "idle"); });
        QObject::connect(&engine, &ExchangeEngine::configurationApplied,
                         [this] { events << "applied"; });
        QObject::connect(&engine, &ExchangeEngine::errorOccurred,
                         [this](const ExchangeError &error) {
                             events << QStringLiteral("error %1").arg(int(error.kind));
                         });
        QObject::connect(&engine, &ExchangeEngine::exchangeFinished, [this](ExchangeResult result) {
            events << QStringLiteral("finished %1").arg(int(result));
        });
        QObject::connect(&engine, &ExchangeEngine::progressChanged,
                         [this](int value) { progress << value; });
    }
    bool finished() const { return !events.isEmpty() && events.last().startsWith("finished"); }
    void clear()
    {
        events.clear();
        progress.clear();
    }
    // The bar starts at 0 and only moves forward.
    bool progressRises() const
    {
        return !progress.isEmpty() && progress.first() == 0 &&
               std::is_sorted(progress.begin(), progress.end());
    }

    QStringList events;
    QList<int> progress;
};

// The engine on the port of a simulator started for the test.
struct SimulatedLine
{
    bool start(const QStringList &arguments)
    {
        return sim.start(arguments) && x.port.open(sim.devicePath) &&
               x.port.configure(PortModeString);
    }

    SimProcess sim;
    LiveExchange x;
    SignalLog log{x.engine};
};

QString finished(ExchangeResult result)
{
    return QStringLiteral("finished %1").arg(int(result));
}

QString error(ExchangeError::Kind kind)
{
    return QStringLiteral("error %1").arg(int(kind));
}

} // namespace

class TestExchangeEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void noWidgetsHere();
    void firstReadThenWrite();
    void exchangesEndWhenTheReplyIsIn();
    void silentDeviceWaitsTheWholeWindow_data();
    void silentDeviceWaitsTheWholeWindow();
    void lateReplyThenRead();
    void faults_data();
    void faults();
    void simulatorHoldsAConfigurationFile();
    void searchAsksEveryPortAtOnce_data();
    void searchAsksEveryPortAtOnce();
};

void TestExchangeEndToEnd::noWidgetsHere()
{
    // The engine runs on a plain core application.
    QVERIFY(QCoreApplication::instance());
    QVERIFY(!QCoreApplication::instance()->inherits("QApplication"));
}

void TestExchangeEndToEnd::firstReadThenWrite()
{
    SimulatedLine line;
    QVERIFY(line.start({"--model", "401"}));
    SimProcess &sim = line.sim;
    LiveExchange &x = line.x;
    SignalLog &log = line.log;

    // Identification, then the configuration: two one-second windows, one
    // exchange as far as the signals go.
    QVERIFY(x.run(ExchangeKind::Read).succeeded(ExchangeKind::Read));
    QCOMPARE(log.events, QStringList({"applied", finished(ExchangeResult::ReadAccepted)}));
    QCOMPARE(x.engine.image().size(), 282);
    QVERIFY(x.messages.shown.isEmpty());
    QCOMPARE(x.session.deviceId, 401);
    QCOMPARE(x.session.table.parameterCount(), 37);
    QCOMPARE(x.session.table.row(0).coefficient, QByteArray("4000"));
    QCOMPARE(x.session.table.row(30).coefficient, QByteArray("1.500"));
    QCOMPARE(x.session.link.deviceAddress, quint8(5));
    QCOMPARE(x.session.link.cellSize, quint8(2));
    QTRY_VERIFY(!x.wired.timers().isActive(ExchangeTimers::TimerId::Progress));
    QVERIFY(log.progressRises());
    QCOMPARE(log.progress.last(), 500);

    // A new address and coefficient, written and echoed back.
    log.clear();
    x.session.link.deviceAddress = 9;
    x.session.table.setRow(1, "0x0001", "2", "2500");
    QVERIFY(x.engine.startWrite());
    QVERIFY(x.engine.isBusy());
    const QByteArray sent = x.engine.image();
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 6000);
    QCOMPARE(log.events,
             QStringList({"busy", "idle", "applied", finished(ExchangeResult::WriteAccepted)}));
    QVERIFY2(x.messages.shown.isEmpty(), qPrintable(x.messages.texts().join(u'|')));
    QCOMPARE(x.session.link.deviceAddress, quint8(9));
    QCOMPARE(x.session.table.shownText(1, RegisterTable::Column::Coefficient), QByteArray("2500"));
    QCOMPARE(sim.image(), sent);

    // The transducer now reports what was written.
    log.clear();
    QVERIFY(x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 3000);
    QCOMPARE(log.events, QStringList({"applied", finished(ExchangeResult::ReadAccepted)}));
    QCOMPARE(quint8(x.engine.image()[0]), quint8(9));
    QCOMPARE(x.session.table.row(1).coefficient, QByteArray("2500"));
    QVERIFY(x.messages.shown.isEmpty());
}

void TestExchangeEndToEnd::exchangesEndWhenTheReplyIsIn()
{
    // Against the paced simulator: a read and a write end when their reply
    // is in, well inside their windows of 1 s and 4 s; the bar is full at
    // once.
    SimulatedLine line;
    QVERIFY(line.start({"--model", "401"}));
    LiveExchange &x = line.x;
    SignalLog &log = line.log;
    QTest::qWait(100);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 3000);
    // Two exchanges that the line needs about 0.65 s for, not two windows.
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(log.events.last(), finished(ExchangeResult::ReadAccepted));
    QCOMPARE(log.progress.last(), 500);

    log.clear();
    x.session.link.deviceAddress = 21;
    clock.restart();
    QVERIFY(x.engine.startWrite());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 6000);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(log.events.last(), finished(ExchangeResult::WriteAccepted));
    QVERIFY(x.messages.shown.isEmpty());
}

void TestExchangeEndToEnd::silentDeviceWaitsTheWholeWindow_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("windowMs");
    QTest::newRow("read") << false << 1000;
    QTest::newRow("write") << true << 4000;
}

void TestExchangeEndToEnd::silentDeviceWaitsTheWholeWindow()
{
    QFETCH(bool, write);
    QFETCH(int, windowMs);
    SimulatedLine line;
    QVERIFY(line.start({"--model", "100", "--fault", "silent"}));
    LiveExchange &x = line.x;
    SignalLog &log = line.log;
    QString fileName;
    buildRegisterTable(x.session.table, 100, fileName);
    x.session.deviceId = 100;
    x.session.link.transmissionMode = TransmissionMode::Ascii;
    x.session.link.baudCode = baudCodeOfRate(9600);
    x.session.link.parity = Parity::None;
    x.session.link.stopBits = StopBits::Two;
    x.session.link.cellSize = 2;

    QElapsedTimer clock;
    clock.start();
    QVERIFY(write ? x.engine.startWrite() : x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), windowMs + 2000);
    QVERIFY2(clock.elapsed() >= windowMs - 5, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(x.messages.texts(), QStringList{"Преобразователь не отвечает"});
}

void TestExchangeEndToEnd::lateReplyThenRead()
{
    // The late reply comes after its window and is dropped; the next read
    // gets its own reply whole.
    SimulatedLine line;
    QVERIFY(line.start({"--model", "100"}));
    SimProcess &sim = line.sim;
    LiveExchange &x = line.x;
    SignalLog &log = line.log;
    QVERIFY(x.run(ExchangeKind::Read).succeeded(ExchangeKind::Read));

    sim.command("fault late");
    QTRY_VERIFY(sim.log().contains("fault late"));
    log.clear();
    QVERIFY(x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 3000);
    QCOMPARE(x.messages.texts(), QStringList{"Преобразователь не отвечает"});
    // Wait until the late reply has gone out on the line.
    QTRY_VERIFY_WITH_TIMEOUT(sim.log().count("-> :") >= 3, 3000);
    QTest::qWait(100);

    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty()); // commands are taken in order
    x.messages.shown.clear();
    log.clear();
    QVERIFY(x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 3000);
    QVERIFY2(x.messages.shown.isEmpty(), qPrintable(x.messages.texts().join(u'|')));
    QCOMPARE(log.events.last(), finished(ExchangeResult::ReadAccepted));
}

void TestExchangeEndToEnd::faults_data()
{
    using Kind = ExchangeError::Kind;
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<ExchangeError::Kind>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent") << QByteArray("silent") << false << Kind::NoReply
                            << "Преобразователь не отвечает";
    QTest::newRow("late write") << QByteArray("late") << true << Kind::NoReply
                                << "Преобразователь не отвечает";
    QTest::newRow("truncated") << QByteArray("truncated") << false << Kind::ReceptionError
                               << "Ошибка при приеме данных";
    QTest::newRow("bad-lrc") << QByteArray("bad-lrc") << false << Kind::ReceptionError
                             << "Ошибка при приеме данных";
    QTest::newRow("echo-changed") << QByteArray("echo-changed") << true << Kind::TransmissionError
                                  << "Ошибка при передаче данных";
}

void TestExchangeEndToEnd::faults()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, write);
    QFETCH(ExchangeError::Kind, kind);
    QFETCH(QString, message);
    SimulatedLine line;
    QVERIFY(line.start({"--model", "100"}));
    SimProcess &sim = line.sim;
    LiveExchange &x = line.x;
    SignalLog &log = line.log;
    QVERIFY(x.run(ExchangeKind::Read).succeeded(ExchangeKind::Read));
    const RegisterEntry row = x.session.table.row(2);
    x.session.link.transmissionMode = TransmissionMode::Ascii;

    sim.command("fault " + fault);
    QTRY_VERIFY(sim.log().contains("fault " + fault));
    log.clear();
    QVERIFY(write ? x.engine.startWrite() : x.engine.startRead());
    QTRY_VERIFY_WITH_TIMEOUT(log.finished(), 6000);
    QStringList expected{error(kind), finished(ExchangeResult::Failed)};
    if (write)
        expected = QStringList{"busy", "idle"} + expected;
    QCOMPARE(log.events, expected);
    const UserMessage shown{"Ошибка", message, MessageIcon::Exclamation};
    QCOMPARE(x.messages.shown, QList<UserMessage>{shown});
    QVERIFY(!x.waitingForReply());
    QVERIFY(!x.engine.isBusy());
    QCOMPARE(x.session.table.row(2), row);
}

void TestExchangeEndToEnd::simulatorHoldsAConfigurationFile()
{
    // A configuration saved from a table of model 300 with edited rows.
    ConfigFile::Configuration configuration;
    {
        RegisterTable table;
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

    SimulatedLine line;
    QVERIFY(line.start({"--config", file.fileName()}));
    LiveExchange &x = line.x;
    QVERIFY(x.run(ExchangeKind::Read).succeeded(ExchangeKind::Read));
    QVERIFY(x.messages.shown.isEmpty());
    QCOMPARE(x.session.deviceId, 300);
    QCOMPARE(x.session.link.deviceAddress, quint8(7));
    QCOMPARE(x.session.link.wiringByte, quint8(0x20));
    QCOMPARE(x.session.table.row(0).address, QByteArray("0x0040"));
    QCOMPARE(x.session.table.row(0).coefficient, QByteArray("2500"));
    QCOMPARE(x.session.table.row(1).address, configuration.rows[1].address.trimmed());
}

void TestExchangeEndToEnd::searchAsksEveryPortAtOnce_data()
{
    QTest::addColumn<PortSearch::Stop>("stop");
    QTest::addColumn<QStringList>("outcomes"); // per name, in order
    QTest::newRow("at the first answer")
        << PortSearch::Stop::AtFirstAnswer << QStringList{"unavailable", "silent", "ID 300"};
    QTest::newRow("after all") << PortSearch::Stop::AfterAll
                               << QStringList{"unavailable", "silent", "ID 300", "ID 401"};
}

void TestExchangeEndToEnd::searchAsksEveryPortAtOnce()
{
    // An absent device, a silent transducer, then two that answer: all are
    // asked at once, the lowest that answers is found, and every port the
    // search opened is closed when it ends.
    QFETCH(PortSearch::Stop, stop);
    QFETCH(QStringList, outcomes);
    SimProcess silent, first, second;
    QVERIFY(silent.start({"--model", "401", "--fault", "silent"}));
    QVERIFY(first.start({"--model", "300"}));
    QVERIFY(second.start({"--model", "401"}));
    SerialPort own;
    QVERIFY(own.open(second.devicePath));
    PortSearch search(own);
    QList<TrafficEvent::Direction> traffic;
    connect(&search, &PortSearch::traffic,
            [&traffic](const TrafficEvent &event) { traffic << event.direction; });
    QVERIFY(search.start(
        {"/nonexistent/tty", silent.devicePath, first.devicePath, second.devicePath}, stop));
    QVERIFY(!own.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!search.isRunning(), 3000);
    // Every request went out before anything came back or a window closed.
    QCOMPARE(traffic.mid(0, 3), QList<TrafficEvent::Direction>(3, TrafficEvent::Direction::Sent));
    QVERIFY(!traffic.mid(3).contains(TrafficEvent::Direction::Sent));
    QStringList got;
    for (const PortProbe &probe : search.probes())
        got << (probe.status == PortProbe::Status::Answered
                    ? QStringLiteral("ID %1").arg(probe.deviceId)
                : probe.status == PortProbe::Status::Silent ? QStringLiteral("silent")
                                                            : QStringLiteral("unavailable"));
    QCOMPARE(got, outcomes);
    QVERIFY(search.found() && search.found()->port == first.devicePath);
    for (SimProcess *sim : {&silent, &first, &second})
        QTRY_VERIFY(sim->log().endsWith("client closed the line\n"));
}

QTEST_GUILESS_MAIN(TestExchangeEndToEnd)
#include "tst_exchange_e2e.moc"
