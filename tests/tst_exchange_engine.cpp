#include "config_image.h"
#include "cp1251.h"
#include "device_models.h"
#include "exchange_doubles.h"
#include "modbus_ascii.h"
#include "session.h"
#include "transducer.h"

#include <QTest>
#include <functional>

using namespace ModbusAscii;
using Column = RegisterTable::Column;
using TimerId = ExchangeTimers::TimerId;

namespace {

using SessionChange = std::function<void(Session &)>;

constexpr TimerId Reply = TimerId::Reply;
constexpr TimerId Progress = TimerId::Progress;

// The engine on a scripted line with timers the test fires. Errors are
// recorded as the window shows them, the bar as the window moves it.
struct ExchangeFixture
{
    ExchangeFixture()
    {
        messages.follow(engine);
        QObject::connect(&engine, &ExchangeEngine::progressChanged,
                         [this](int value) { progress = value; });
    }
    bool read() { return engine.startRead(); }
    bool write() { return engine.startWrite(); }
    QByteArray shown(int row, Column column) const { return session.table.shownText(row, column); }

    Session session;
    RecordingMessages messages;
    ScriptedPort port;
    ManualTimers timers;
    ExchangeEngine engine{port, timers, session};
    int progress = 0;
};

UserMessage error(const QString &text)
{
    return {"Ошибка", text, MessageIcon::Exclamation};
}

QByteArray idMismatch(quint8 function, int id)
{
    return buildRequest(5, function,
                        QByteArray::fromHex(QByteArray::number(id, 16).rightJustified(4, '0')));
}

// Lets the simulated transducer answer whatever the engine last wrote.
void answer(ExchangeFixture &f, Transducer &device)
{
    const auto reply = device.respond(f.port.written.last());
    f.port.queued = reply ? reply->text : QByteArray();
}

// A fresh window that has read a transducer of the given model.
void readDevice(ExchangeFixture &f, Transducer &device)
{
    f.read();
    answer(f, device);
    f.engine.onTimer(Reply);
    answer(f, device);
    f.engine.onTimer(Reply);
}

// Link settings and a table that a write may send.
void setWritable(ExchangeFixture &f)
{
    f.session.link.transmissionMode = TransmissionMode::Ascii;
    f.session.link.baudCode = baudCodeOfRate(9600);
    f.session.link.parity = Parity::None;
    f.session.link.stopBits = StopBits::One;
    f.session.link.cellSize = 2;
    buildRegisterTable(f.session.table, 100, f.session.configFileName);
    f.session.deviceId = 100;
}

} // namespace

Q_DECLARE_METATYPE(SessionChange)

class TestExchangeEngine : public QObject
{
    Q_OBJECT

private slots:
    void firstReadOfFreshWindow();
    void progressRunsToFullAndStops_data();
    void progressRunsToFullAndStops();
    void readWhileWritePendingDoesNothing();
    void earlyEnd_data();
    void earlyEnd();
    void lateReplyDoesNotSpoilTheNextRead();
    void secondReadRestartsTheWindow();
    void writeIgnoredWhileAReplyIsAwaited();
    void failedReplies_data();
    void failedReplies();
    void idMismatchReplies_data();
    void idMismatchReplies();
    void onlyTheAnswerEndsTheWindow_data();
    void onlyTheAnswerEndsTheWindow();
    void identification_data();
    void identification();
    void shortReadReplyAppliesNothing();
    void acceptedWriteShowsWhatDeviceStored();
    void writeEchoes_data();
    void writeEchoes();
    void echoForTableReplacedMeanwhile();
    void writeRefusals_data();
    void writeRefusals();
    void readReplyOfAnotherRowCount_data();
    void readReplyOfAnotherRowCount();
};

void TestExchangeEngine::firstReadOfFreshWindow()
{
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(401);

    f.read();
    QCOMPARE(f.port.written, QList<QByteArray>{":006400009C\r\n"});
    QCOMPARE(f.timers.period(Reply), 1000);
    QCOMPARE(f.timers.period(Progress), 50);
    QCOMPARE(f.engine.progressStep(), 20);

    f.engine.onTimer(Progress);
    f.engine.onTimer(Progress);
    answer(f, device); // 0xE4 with 401
    f.engine.onTimer(Reply);
    QCOMPARE(f.session.deviceId, 401);
    QCOMPARE(f.session.table.rowCount(), 46);
    QCOMPARE(f.session.configFileName, QString("VXN_4XX.dat"));
    QCOMPARE(f.port.written.last(), QByteArray(":006401910A\r\n"));
    QCOMPARE(f.timers.period(Reply), 1000);
    QVERIFY(f.timers.isActive(Progress));
    QCOMPARE(f.engine.progressTotal(), 40); // the bar is not reset

    const QList<RegisterEntry> calibration = [&] {
        QList<RegisterEntry> rows;
        for (int r = 37; r < 46; ++r)
            rows << f.session.table.row(r);
        return rows;
    }();
    answer(f, device); // 0x64 with the configuration
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.engine.image().size(), 282);
    QCOMPARE(quint8(f.engine.image()[0]), quint8(5));
    QCOMPARE(f.session.link.deviceAddress, quint8(5));
    QCOMPARE(f.session.link.baudCode, baudCodeOfRate(9600));
    QCOMPARE(f.session.link.parity, Parity::Even);
    QCOMPARE(f.session.link.stopBits, StopBits::One);
    QCOMPARE(f.session.link.transmissionMode, TransmissionMode::Ascii);
    QCOMPARE(f.session.link.cellSize, quint8(2));
    QCOMPARE(f.session.link.wiringChoice, WiringChoice::ThreeWire);
    // The device's coefficients reach the list and the table.
    QCOMPARE(f.session.table.row(0).coefficient, QByteArray("4000"));
    QCOMPARE(f.session.table.row(4).coefficient, QByteArray("6000"));
    QCOMPARE(f.session.table.row(30).coefficient, QByteArray("1.500"));
    QCOMPARE(f.session.table.row(36).address, QByteArray("0x002B"));
    QCOMPARE(QString::fromLatin1(f.shown(0, Column::Coefficient)), QString("4000"));
    for (int r = 37; r < 46; ++r)
        QCOMPARE(f.session.table.row(r), calibration[r - 37]);
    // The exchange is over: the bar is full at once.
    QVERIFY(!f.timers.isActive(Progress));
    QCOMPARE(f.progress, 500);
    QVERIFY(!f.timers.isActive(Reply));

    // Later reads take one exchange.
    f.read();
    QCOMPARE(f.port.written.last(), QByteArray(":006401910A\r\n"));
    answer(f, device);
    f.engine.onTimer(Reply);
    QCOMPARE(f.port.written.size(), 3);
    QVERIFY(f.messages.shown.isEmpty());
}

void TestExchangeEngine::progressRunsToFullAndStops_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("ticksToFull");
    QTest::newRow("read") << false << 25;
    QTest::newRow("write") << true << 100;
}

void TestExchangeEngine::progressRunsToFullAndStops()
{
    QFETCH(bool, write);
    QFETCH(int, ticksToFull);
    ExchangeFixture f;
    setWritable(f);
    write ? f.write() : f.read();
    QCOMPARE(f.progress, 0);
    for (int tick = 1; tick <= ticksToFull; ++tick) {
        f.engine.onTimer(Progress);
        QVERIFY(f.timers.isActive(Progress));
    }
    QCOMPARE(f.progress, 500);
    f.engine.onTimer(Progress);
    QVERIFY(!f.timers.isActive(Progress));
    QCOMPARE(f.progress, 500);
}

void TestExchangeEngine::readWhileWritePendingDoesNothing()
{
    ExchangeFixture f;
    setWritable(f);
    f.write();
    QVERIFY(f.engine.isBusy());
    f.engine.onTimer(Progress);
    f.read();
    QCOMPARE(f.port.written.size(), 1);
    QCOMPARE(f.timers.period(Reply), 4000);
    QCOMPARE(f.engine.progressStep(), 5);
    QCOMPARE(f.engine.progressTotal(), 5);
    // The reply timer clears busy whatever arrived; Read works again.
    f.engine.onTimer(Reply);
    QVERIFY(!f.engine.isBusy());
    QCOMPARE(f.messages.texts(), QStringList{"Преобразователь не отвечает"});
    f.read();
    QCOMPARE(f.port.written.size(), 2);
}

void TestExchangeEngine::earlyEnd_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<bool>("early"); // taken before the window closes
    QTest::addColumn<QString>("message");
    QTest::newRow("whole reply") << QByteArray("none") << 1 << true << QString();
    QTest::newRow("in three pieces") << QByteArray("none") << 3 << true << QString();
    QTest::newRow("bad LRC") << QByteArray("bad-lrc") << 2 << false << "Ошибка при приеме данных";
    QTest::newRow("lower case") << QByteArray("lowercase") << 1 << false
                                << "Ошибка при приеме данных";
    QTest::newRow("junk before the colon")
        << QByteArray("noise") << 1 << false << "Ошибка при приеме данных";
    QTest::newRow("first half only")
        << QByteArray("truncated") << 1 << false << "Ошибка при приеме данных";
}

void TestExchangeEngine::earlyEnd()
{
    // A reply is taken as soon as what has come is a complete frame, never
    // before; anything else waits for the end of the window, as before.
    QFETCH(QByteArray, fault);
    QFETCH(int, pieces);
    QFETCH(bool, early);
    QFETCH(QString, message);
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    device.setFault(*faultFromName(fault));
    int finished = 0;
    QObject::connect(&f.engine, &ExchangeEngine::exchangeFinished, [&finished] { ++finished; });

    QVERIFY(f.read());
    const QByteArray reply = device.respond(f.port.written.last())->text;
    const qsizetype piece = reply.size() / pieces + 1;
    for (qsizetype at = 0; at < reply.size(); at += piece) {
        QCOMPARE(finished, 0);
        QVERIFY(f.timers.isActive(Reply));
        f.port.queued = reply.mid(at, piece);
        f.engine.onCharactersArrived();
    }
    QCOMPARE(finished, early ? 1 : 0);
    QCOMPARE(f.timers.isActive(Reply), !early);
    if (!early)
        f.engine.onTimer(Reply);
    QCOMPARE(finished, 1);
    QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.progress == 500, message.isEmpty());
}

void TestExchangeEngine::lateReplyDoesNotSpoilTheNextRead()
{
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    QList<TrafficEvent> traffic;
    QObject::connect(&f.engine, &ExchangeEngine::traffic,
                     [&traffic](const TrafficEvent &event) { traffic << event; });

    // The window closes empty; the reply comes after it.
    QVERIFY(f.read());
    const QByteArray late = device.respond(f.port.written.last())->text;
    f.engine.onTimer(Reply);
    QCOMPARE(f.messages.texts(), QStringList{"Преобразователь не отвечает"});
    f.port.queued = late;
    f.engine.onCharactersArrived();
    QCOMPARE(f.messages.shown.size(), 1);

    // The next read drops it before its request goes out, and succeeds.
    QVERIFY(f.read());
    QVERIFY(f.port.queued.isEmpty());
    answer(f, device);
    f.engine.onCharactersArrived();
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(!f.timers.isActive(Reply));

    QCOMPARE(traffic.size(), 5);
    QCOMPARE(traffic[1].meaning, QString("Нет ответа в окне"));
    QCOMPARE(traffic[2].frame, late);
    QCOMPARE(traffic[2].direction, TrafficEvent::Direction::Received);
    QVERIFY(traffic[2].meaning.endsWith("(после окна, отброшено)"));
    QCOMPARE(traffic[3].direction, TrafficEvent::Direction::Sent);
}

void TestExchangeEngine::secondReadRestartsTheWindow()
{
    ExchangeFixture f;
    f.read();
    f.engine.onTimer(Progress);
    f.engine.onTimer(Progress);
    f.timers.active[Reply] = 0; // as if part of the window had passed
    f.read();
    QCOMPARE(f.port.written.size(), 2);
    QCOMPARE(f.timers.period(Reply), 1000);
    QCOMPARE(f.engine.progressTotal(), 0);
    QCOMPARE(f.progress, 0);
}

void TestExchangeEngine::writeIgnoredWhileAReplyIsAwaited()
{
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(100);
    readDevice(f, device);
    f.session.link.deviceAddress = 12;

    // Write while a read reply is awaited: nothing sent, the read goes on.
    QVERIFY(f.read());
    QVERIFY(!f.write());
    QCOMPARE(f.port.written.size(), 3);
    QCOMPARE(f.timers.period(Reply), 1000);
    QCOMPARE(f.engine.progressStep(), 20);
    QVERIFY(!f.engine.isBusy());
    answer(f, device);
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());

    // Write again while its own reply is awaited: nothing sent either.
    f.session.link.deviceAddress = 12;
    QVERIFY(f.write());
    f.engine.onTimer(Progress);
    f.session.link.deviceAddress = 13;
    QVERIFY(!f.write());
    QCOMPARE(f.port.written.size(), 4);
    QCOMPARE(f.engine.progressTotal(), 5);
    answer(f, device);
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.session.link.deviceAddress, quint8(12));
    // Once the reply is in, Write works again.
    QVERIFY(f.write());
}

void TestExchangeEngine::failedReplies_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent") << QByteArray("silent") << "Преобразователь не отвечает";
    QTest::newRow("late") << QByteArray("late") << "Преобразователь не отвечает";
    QTest::newRow("truncated") << QByteArray("truncated") << "Ошибка при приеме данных";
    QTest::newRow("bad-lrc") << QByteArray("bad-lrc") << "Ошибка при приеме данных";
    QTest::newRow("lowercase") << QByteArray("lowercase") << "Ошибка при приеме данных";
    QTest::newRow("noise") << QByteArray("noise") << "Ошибка при приеме данных";
}

void TestExchangeEngine::failedReplies()
{
    QFETCH(QByteArray, fault);
    QFETCH(QString, message);
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    const QByteArray image = f.engine.image();
    const QByteArray addressBefore = f.session.table.row(3).address;

    device.setFault(*faultFromName(fault));
    f.read();
    const auto reply = device.respond(f.port.written.last());
    // A late reply is not there when the window closes.
    f.port.queued = reply && reply->delayMs == 0 ? reply->text : QByteArray();
    f.engine.onTimer(Reply);
    QCOMPARE(f.messages.shown, QList<UserMessage>{error(message)});
    QVERIFY(!f.timers.isActive(Progress));
    QVERIFY(!f.timers.isActive(Reply));
    QCOMPARE(f.engine.image(), image);
    QCOMPARE(f.session.table.row(3).address, addressBefore);
    QCOMPARE(f.engine.frameText().startsWith(':'),
             fault == "truncated" || fault == "bad-lrc" || fault == "lowercase");
}

void TestExchangeEngine::idMismatchReplies_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("answeredId");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("deviceIdAfter");
    QTest::addColumn<int>("bar"); // 0 stopped where it was, 1 running, 2 full
    QTest::addColumn<int>("requestsAfter");
    QTest::newRow("0xE5, other ID")
        << 0xE5 << 200 << "Ошибка ID устройства 200 вместо 300" << 35 << 300 << 0 << 1;
    // The table of the device held is kept: a stray answer must not wipe
    // the engineer's edits.
    QTest::newRow("unknown ID") << 0xE4 << 150 << "Ошибка ID устройства 150 вместо 300" << 35 << 300
                                << 0 << 1;
    QTest::newRow("new known ID") << 0xE4 << 100 << "" << 20 << 100 << 1 << 2;
    QTest::newRow("0x81, new known ID") << 0x81 << 200 << "" << 24 << 200 << 1 << 2;
}

void TestExchangeEngine::idMismatchReplies()
{
    QFETCH(int, function);
    QFETCH(int, answeredId);
    QFETCH(QString, message);
    QFETCH(int, rowsAfter);
    QFETCH(int, deviceIdAfter);
    QFETCH(int, bar);
    QFETCH(int, requestsAfter);
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    f.port.written.clear();
    const RegisterEntry row = f.session.table.row(2);

    f.read();
    f.port.queued = idMismatch(quint8(function), answeredId);
    f.engine.onTimer(Reply);
    QCOMPARE(f.messages.shown,
             message.isEmpty() ? QList<UserMessage>{} : QList<UserMessage>{error(message)});
    QCOMPARE(f.session.table.rowCount(), rowsAfter);
    QCOMPARE(f.session.table.parameterCount(), rowsAfter == 0 ? 0 : rowsAfter - 9);
    QCOMPARE(f.session.deviceId, deviceIdAfter);
    QCOMPARE(f.timers.isActive(Progress), bar == 1);
    QCOMPARE(f.progress == 500, bar == 2);
    QCOMPARE(f.port.written.size(), requestsAfter);
    if (rowsAfter == 35)
        QCOMPARE(f.session.table.row(2), row);
}

void TestExchangeEngine::onlyTheAnswerEndsTheWindow_data()
{
    // What comes before the answer of a device 300 on the line: the adapter's
    // copy of the request (whole, its first characters only, or altered) and
    // frames that are not the answer.
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("echo"); // "", "whole", "partial", "altered"
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("answer"); // the device's answer follows
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("logged"); // what the log's lines must show
    const QByteArray sameId = idMismatch(0xE4, 300);
    const QByteArray foreign = buildRequest(0x11, 0x03, QByteArray::fromHex("02002A"));
    const QByteArray echoReply = buildRequest(5, WriteConfig, QByteArray::fromHex("012C450220"));
    const QByteArray readReply = buildRequest(5, ReadConfig, QByteArray::fromHex("012C450220"));
    const QString passed = "; не ответ на запрос, пропущен";
    const QString noReply = "Преобразователь не отвечает";
    const QString reception = "Ошибка при приеме данных";
    QTest::newRow("repeated own ID, then the configuration")
        << false << "" << sameId << true << ""
        << "Ответ устройства с другим ID: 300" + passed;
    QTest::newRow("foreign frame, then the configuration") << false << "" << foreign << true << ""
                                                           << "Неожиданная функция 0x03" + passed;
    QTest::newRow("echo reply in a read's window, then the configuration")
        << false << "" << echoReply << true << ""
        << "";
    QTest::newRow("adapter echo, then the configuration")
        << false << "whole" << QByteArray() << true << ""
        << "Эхо запроса (адаптер)";
    QTest::newRow("everything in one piece") << false << "whole" << foreign + sameId << true << ""
                                             << "";
    QTest::newRow("own ID alone") << false << "" << sameId << false << noReply << "";
    QTest::newRow("0xE5 with own ID alone")
        << false << "" << idMismatch(0xE5, 300) << false << noReply << "";
    QTest::newRow("0x80 alone") << false << "" << idMismatch(0x80, 100) << false << noReply << "";
    QTest::newRow("foreign frame alone") << false << "" << foreign << false << noReply << "";
    QTest::newRow("echo reply in a read's window alone")
        << false << "" << echoReply << false << noReply << "";
    QTest::newRow("adapter echo alone")
        << false << "whole" << QByteArray() << false << noReply << "";
    QTest::newRow("partial echo") << false << "partial" << QByteArray() << true << reception << "";
    QTest::newRow("altered echo") << false << "altered" << QByteArray() << true << reception << "";
    QTest::newRow("1500 characters")
        << false << "" << QByteArray(1500, '7') << false << reception
        << "\t1500\t" + QString(1000, '7') + "… ещё 500 символов\tНеполный кадр";
    QTest::newRow("write: read reply, then the echo")
        << true << "" << readReply << true << ""
        << "Конфигурация, ID 300: 0 регистров, адрес устройства 5" + passed;
    QTest::newRow("write: adapter echo, then the echo")
        << true << "whole" << QByteArray() << true << ""
        << "Эхо запроса (адаптер)";
    QTest::newRow("write: read reply alone") << true << "" << readReply << false << noReply << "";
    // A write names its device: another one's ID is an error, not a read.
    QTest::newRow("write: another ID")
        << true << "" << idMismatch(0xE4, 100) << false << "Ошибка ID устройства 100 вместо 300"
        << "";
}

void TestExchangeEngine::onlyTheAnswerEndsTheWindow()
{
    QFETCH(bool, write);
    QFETCH(QString, echo);
    QFETCH(QByteArray, before);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    QFETCH(QString, logged);
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    std::optional<ExchangeResult> result;
    QObject::connect(&f.engine, &ExchangeEngine::exchangeFinished,
                     [&result](ExchangeResult r) { result = r; });
    QStringList lines;
    QObject::connect(&f.engine, &ExchangeEngine::traffic,
                     [&lines](const TrafficEvent &event) { lines << TrafficFormat::line(event); });
    const QByteArray imageBefore = f.engine.image();

    QVERIFY(write ? f.write() : f.read());
    QByteArray request = f.port.written.last();
    if (echo == "partial")
        request.truncate(5);
    else if (echo == "altered")
        request[3] = request[3] == '0' ? '1' : '0';
    else if (echo.isEmpty())
        request.clear();
    f.port.queued = request + before;
    f.engine.onCharactersArrived();
    // Of these, only another device's ID is an answer.
    const bool answered = message.startsWith("Ошибка ID");
    QCOMPARE(bool(result), answered);
    QCOMPARE(f.timers.isActive(Reply), !answered);
    if (answer) {
        f.port.queued = device.respond(f.port.written.last())->text;
        f.engine.onCharactersArrived();
    }
    if (f.timers.isActive(Reply))
        f.engine.onTimer(Reply);

    QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(result, message.isEmpty()
                         ? (write ? ExchangeResult::WriteAccepted : ExchangeResult::ReadAccepted)
                         : ExchangeResult::Failed);
    QVERIFY(!f.engine.isBusy());
    if (!message.isEmpty() && !write)
        QCOMPARE(f.engine.image(), imageBefore);
    QVERIFY2(lines.join('\n').contains(logged), qPrintable(lines.join('\n')));
}

void TestExchangeEngine::identification_data()
{
    // A search asks each port who is there; the answer names an ID and
    // leaves the session as it was.
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("id"); // 0: no ID
    QTest::addColumn<QString>("message");
    QTest::newRow("another ID's reply") << idMismatch(0xE4, 401) << 401 << "";
    QTest::newRow("a configuration")
        << buildRequest(5, ReadConfig, QByteArray::fromHex("012C450220")) << 300 << "";
    QTest::newRow("ID 0 named back") << idMismatch(0xE4, 0) << 0 << "Преобразователь не отвечает";
    QTest::newRow("nothing") << QByteArray() << 0 << "Преобразователь не отвечает";
    QTest::newRow("half a reply") << QByteArray(":05E4") << 0 << "Ошибка при приеме данных";
}

void TestExchangeEngine::identification()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, id);
    QFETCH(QString, message);
    ExchangeFixture f;
    buildRegisterTable(f.session.table, 100, f.session.configFileName);
    f.session.deviceId = 100;
    std::optional<ExchangeResult> result;
    QObject::connect(&f.engine, &ExchangeEngine::exchangeFinished,
                     [&result](ExchangeResult r) { result = r; });

    QVERIFY(f.engine.startIdentify());
    QVERIFY(!f.engine.startIdentify());
    QCOMPARE(f.port.written, QList<QByteArray>{":006400009C\r\n"});
    QVERIFY(!f.timers.isActive(Progress));
    f.port.queued = reply;
    f.engine.onCharactersArrived();
    if (f.timers.isActive(Reply))
        f.engine.onTimer(Reply);

    QCOMPARE(result, id ? ExchangeResult::Identified : ExchangeResult::Failed);
    if (id)
        QCOMPARE(f.engine.identifiedId(), id);
    QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.port.written.size(), 1);
    QCOMPARE(f.session.deviceId, 100);
    QCOMPARE(f.session.table.rowCount(), findDeviceModel(100)->rowCount());
    QCOMPARE(f.progress, 0);
    QVERIFY(f.engine.image().isEmpty());
}

void TestExchangeEngine::shortReadReplyAppliesNothing()
{
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(401);
    readDevice(f, device);
    const QByteArray image = f.engine.image();
    f.session.table.setRow(0, "0x0100", "2", "5000");

    // A 100 model's configuration is too short for the 401 table on screen.
    Transducer smaller = *Transducer::withDefaults(100);
    QByteArray data = smaller.image();
    data.remove(2, 1);
    data[0] = char(0x01);
    data[1] = char(0x91);
    f.read();
    f.port.queued = buildRequest(5, ReadConfig, data);
    f.engine.onTimer(Reply);
    QCOMPARE(f.messages.shown, QList<UserMessage>{error("Ошибка при приеме данных")});
    QCOMPARE(f.engine.image(), image);
    QCOMPARE(f.session.table.row(0).address, QByteArray("0x0100"));
    QCOMPARE(f.shown(0, Column::Address), QByteArray("0x0100"));
}

void TestExchangeEngine::acceptedWriteShowsWhatDeviceStored()
{
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(300);
    readDevice(f, device);
    f.session.table.setRow(0, "0x0000", "2", "4999.9");
    f.session.link.deviceAddress = 9;

    f.write();
    QVERIFY(f.engine.isBusy());
    QCOMPARE(f.engine.image().size(), 216);
    QCOMPARE(f.engine.frameText(), buildWriteConfigRequest(f.engine.image()));
    QCOMPARE(f.port.written.last(), f.engine.frameText());
    QCOMPARE(f.timers.period(Reply), 4000);
    QCOMPARE(f.engine.progressStep(), 5);

    answer(f, device);
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());
    QVERIFY(!f.engine.isBusy());
    QVERIFY(!f.timers.isActive(Progress));
    QCOMPARE(f.progress, 500);
    QCOMPARE(quint8(f.engine.image()[0]), quint8(9));
    QCOMPARE(f.session.link.deviceAddress, quint8(9));
    QCOMPARE(f.shown(0, Column::Coefficient), QByteArray("5000"));
    QCOMPARE(f.session.table.row(0).coefficient, QByteArray("4999.9"));
    QCOMPARE(device.image()[2], char(9));
}

void TestExchangeEngine::writeEchoes_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("extraBytes");
    QTest::addColumn<int>("missingBytes");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("equal") << QByteArray("none") << 0 << 0 << true;
    QTest::newRow("longer, first bytes equal") << QByteArray("none") << 3 << 0 << true;
    QTest::newRow("shorter") << QByteArray("none") << 0 << 1 << false;
    QTest::newRow("one byte changed") << QByteArray("echo-changed") << 0 << 0 << false;
    QTest::newRow("other address byte") << QByteArray("echo-address") << 0 << 0 << false;
}

void TestExchangeEngine::writeEchoes()
{
    QFETCH(QByteArray, fault);
    QFETCH(int, extraBytes);
    QFETCH(int, missingBytes);
    QFETCH(bool, accepted);
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(200);
    readDevice(f, device);
    device.setFault(*faultFromName(fault));
    f.session.link.deviceAddress = 44;
    f.write();
    const QByteArray sent = f.engine.image();

    const ParsedReply echo = parseReply(device.respond(f.port.written.last())->text);
    QByteArray data = echo.bytes.mid(2);
    data.append(QByteArray(extraBytes, '\x7F'));
    data.chop(missingBytes);
    f.port.queued = buildRequest(quint8(echo.bytes[0]), WriteConfig, data);
    f.engine.onTimer(Reply);

    QVERIFY(!f.engine.isBusy());
    if (accepted) {
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.session.link.deviceAddress, quint8(44));
        QCOMPARE(f.progress, 500);
    } else {
        QCOMPARE(f.messages.shown, QList<UserMessage>{error("Ошибка при передаче данных")});
        QCOMPARE(f.engine.image(), sent);
        QVERIFY(!f.timers.isActive(Progress));
    }
}

void TestExchangeEngine::echoForTableReplacedMeanwhile()
{
    // A modal window can let the table be replaced while a write is pending.
    // The device took the write, so there is no error, but the echo of the
    // small table has nothing to be shown on in the larger one.
    ExchangeFixture f;
    Transducer device = *Transducer::withDefaults(100);
    readDevice(f, device);
    f.write();
    answer(f, device);
    QVERIFY(buildRegisterTable(f.session.table, 401, f.session.configFileName));
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());
    QVERIFY(!f.engine.isBusy());
    QCOMPARE(f.session.table.parameterCount(), 37);
    QCOMPARE(f.shown(0, Column::Coefficient), QByteArray("5000"));
}

void TestExchangeEngine::writeRefusals_data()
{
    // Each case changes a session that a write may send: the 400 table with
    // every link setting set.
    QTest::addColumn<SessionChange>("change");
    QTest::addColumn<QString>("message"); // empty: the write goes out
    const auto coefficient = [](int row, const char *k) {
        return SessionChange(
            [row, k](Session &s) { s.table.setRow(row, s.table.row(row).address, "2", k); });
    };
    const QString frequency = "Недопустимый коэффициент регистра \"Частота (f)\"";
    const QString voltage =
        "Недопустимый коэффициент регистра \"Действующее значение напряжения фазы A (Ua)\"";
    // A file can hold what the window's fields never let through.
    QTest::newRow("device address 248")
        << SessionChange([](Session &s) { s.link.deviceAddress = 248; })
        << "Адрес устройства не должен превышать 247";
    QTest::newRow("cell size 0") << SessionChange([](Session &s) { s.link.cellSize = 0; })
                                 << "Неверное значение размера ячеки памяти";
    QTest::newRow("cell size 5") << SessionChange([](Session &s) { s.link.cellSize = 5; })
                                 << "Неверное значение размера ячеки памяти";
    QTest::newRow("mode unset") << SessionChange([](Session &s) {
        s.link.transmissionMode.reset();
    }) << "Не задан режим передачи";
    QTest::newRow("baud unset") << SessionChange([](Session &s) { s.link.baudCode.reset(); })
                                << "Не задана скорость передачи";
    // A rate the list does not offer, kept as a device or a file sent it,
    // is not sent on: the user picks one first.
    QTest::newRow("baud 57600 as it came")
        << SessionChange([](Session &s) { s.link.baudCode = 9; }) << "Не задана скорость передачи";
    QTest::newRow("baud code 0 as it came")
        << SessionChange([](Session &s) { s.link.baudCode = 0; }) << "Не задана скорость передачи";
    QTest::newRow("parity unset") << SessionChange([](Session &s) { s.link.parity.reset(); })
                                  << "Не задана четность";
    QTest::newRow("stop bits unset")
        << SessionChange([](Session &s) { s.link.stopBits.reset(); }) << "Не заданы стоповые биты";
    QTest::newRow("special at 256") << coefficient(26, "256") << frequency;
    QTest::newRow("special negative") << coefficient(26, "-0.001") << frequency;
    QTest::newRow("special beyond range") << coefficient(26, "1e999") << frequency;
    QTest::newRow("ordinary at 256") << coefficient(0, "1280000") << voltage;
    QTest::newRow("ordinary negative") << coefficient(0, "-1") << voltage;
    QTest::newRow("special just below 256") << coefficient(26, "255.999") << QString();
    QTest::newRow("ordinary just below 256") << coefficient(0, "1279999") << QString();
    // The table must be that of the device's model.
    QTest::newRow("no table for ID 0") << SessionChange([](Session &s) {
        s.table.clear();
        s.deviceId = 0;
    }) << "Нет таблицы регистров для ID устройства 0";
    QTest::newRow("no table for ID 150") << SessionChange([](Session &s) { s.deviceId = 150; })
                                         << "Нет таблицы регистров для ID устройства 150";
    QTest::newRow("one row as 401") << SessionChange([](Session &s) {
        s.table.clear();
        s.table.append({"P", "0x0000", "2", "5000", RegisterKind::Parameter});
        s.deviceId = 401;
    }) << "В таблице 1 регистров, а у устройства с ID 401 их 46";
    QTest::newRow("table of 400 as 401") << SessionChange([](Session &s) { s.deviceId = 401; })
                                         << "В таблице 36 регистров, а у устройства с ID 401 их 46";
    QTest::newRow("a 400 configuration") << SessionChange([](Session &) {}) << QString();
}

void TestExchangeEngine::writeRefusals()
{
    QFETCH(SessionChange, change);
    QFETCH(QString, message);
    ExchangeFixture f;
    QVERIFY(buildRegisterTable(f.session.table, 400, f.session.configFileName));
    f.session.deviceId = 400;
    LinkSettings &link = f.session.link;
    link.transmissionMode = TransmissionMode::Rtu;
    link.baudCode = baudCodeOfRate(1200);
    link.parity = Parity::None;
    link.stopBits = StopBits::One;
    link.cellSize = 2;
    change(f.session);

    const bool sent = f.write();
    if (message.isEmpty()) {
        QVERIFY(sent);
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.port.written.size(), 1);
        QVERIFY(f.engine.isBusy());
        return;
    }
    QVERIFY(!sent);
    QCOMPARE(f.messages.shown, QList<UserMessage>{error(message)});
    QVERIFY(f.port.written.isEmpty());
    QVERIFY(!f.engine.isBusy());
    QVERIFY(f.timers.active.empty());
}

void TestExchangeEngine::readReplyOfAnotherRowCount_data()
{
    QTest::addColumn<int>("tableModel"); // 0: one row from a file
    QTest::addColumn<int>("deviceModel");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("one-row file, 401 device") << 0 << 401 << 46;
    QTest::newRow("401 table, 100 device") << 401 << 100 << 20;
    QTest::newRow("100 table, 401 device") << 100 << 401 << 46;
}

void TestExchangeEngine::readReplyOfAnotherRowCount()
{
    // The table read is the device's whole model, as identification builds
    // it, so that a later write sends an image of the size the device has.
    QFETCH(int, tableModel);
    QFETCH(int, deviceModel);
    QFETCH(int, rowsAfter);
    ExchangeFixture f;
    if (tableModel == 0)
        f.session.table.append({"P", "0x0000", "2", "5000", RegisterKind::Parameter});
    else
        buildRegisterTable(f.session.table, tableModel, f.session.configFileName);
    f.session.deviceId = deviceModel; // as a file of that ID with other rows
    Transducer device = *Transducer::withDefaults(deviceModel);

    QVERIFY(f.read());
    answer(f, device);
    f.engine.onTimer(Reply);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.session.table.rowCount(), rowsAfter);
    QCOMPARE(f.session.deviceId, deviceModel);
    QCOMPARE(f.session.table.row(0).coefficient, QByteArray("4000"));
    QCOMPARE(f.engine.image().size(), 6 * rowsAfter + 6);

    f.session.link.deviceAddress = 7;
    QVERIFY(f.write());
    QCOMPARE(f.engine.image().size(), 6 * rowsAfter + 6);
}

QTEST_GUILESS_MAIN(TestExchangeEngine)
#include "tst_exchange_engine.moc"
