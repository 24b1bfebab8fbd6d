// The traffic log: what each frame is taken to mean, the line it is written
// as, and the bound on what it keeps.

#include "modbus_ascii.h"
#include "traffic_log.h"
#include "transducer.h"

#include <QTest>

using Direction = TrafficEvent::Direction;

class TestTrafficLog : public QObject
{
    Q_OBJECT

private slots:
    void meaning_data();
    void meaning();
    void lineHasTabSeparatedColumns();
    void keepsTheNewestUpToItsBound();
};

void TestTrafficLog::meaning_data()
{
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("meaning");

    Transducer device = *Transducer::withDefaults(401);
    const QByteArray readRequest = ModbusAscii::buildReadConfigRequest(401);
    const QByteArray configuration = device.respond(readRequest)->text;
    QByteArray image = device.image();
    image[2] = char(9);
    const QByteArray writeRequest = ModbusAscii::buildWriteConfigRequest(image);
    const QByteArray echo = device.respond(writeRequest)->text;

    QTest::newRow("read request") << Direction::Sent << QByteArray(":006400009C\r\n")
                                  << "Запрос конфигурации, ID 0";
    QTest::newRow("another device")
        << Direction::Received << device.respond(":006400009C\r\n")->text
        << "Ответ устройства с другим ID: 401";
    QTest::newRow("configuration") << Direction::Received << configuration
                                   << "Конфигурация, ID 401: 46 регистров, адрес устройства 5";
    QTest::newRow("write request")
        << Direction::Sent << writeRequest
        << "Запись конфигурации, ID 401: 46 регистров, адрес устройства 9";
    QTest::newRow("write echo") << Direction::Received << echo
                                << "Эхо записи, ID 401: 46 регистров, адрес устройства 9";
    QTest::newRow("no reply") << Direction::Received << QByteArray() << "Нет ответа в окне";
    QTest::newRow("incomplete") << Direction::Received << configuration.left(100)
                                << "Неполный кадр";
    QByteArray badLrc = configuration;
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
    QTest::newRow("bad LRC") << Direction::Received << badLrc << "Неверная LRC";
    QTest::newRow("junk first") << Direction::Received << "#~" + configuration
                                << "Символы перед началом кадра";
    QTest::newRow("unexpected function")
        << Direction::Received << ModbusAscii::buildRequest(5, 0x03, QByteArray(2, '\0'))
        << "Неожиданная функция 0x03";
}

void TestTrafficLog::meaning()
{
    QFETCH(Direction, direction);
    QFETCH(QByteArray, frame);
    QFETCH(QString, meaning);
    QCOMPARE(TrafficFormat::meaning(direction, frame), meaning);
}

void TestTrafficLog::lineHasTabSeparatedColumns()
{
    const TrafficEvent event{QTime(9, 5, 7, 42), Direction::Sent, ":006400009C\r\n\x01",
                             "Запрос конфигурации, ID 0"};
    QCOMPARE(TrafficFormat::line(event),
             QString("09:05:07.042\t→\t14\t:006400009C\\r\\n\\x01\tЗапрос конфигурации, ID 0"));
    QCOMPARE(TrafficFormat::arrow(Direction::Received), QString("←"));

    // Past its bound an event keeps the first characters and counts the rest.
    const TrafficEvent endless = TrafficEvent::of(QTime(9, 5, 7, 42), Direction::Received,
                                                  QByteArray(2500, '7'), "Неполный кадр", 10);
    QCOMPARE(endless.frame.size(), TrafficEvent::MaxKeptCharacters);
    QCOMPARE(TrafficFormat::line(endless),
             "09:05:07.042\t←\t2510\t" + QString(2000, '7')
                 + "… ещё 510 символов\tНеполный кадр");
}

void TestTrafficLog::keepsTheNewestUpToItsBound()
{
    TrafficLog log;
    QCOMPARE(log.capacity(), 10000);
    int dropped = 0;
    connect(&log, &TrafficLog::droppedOldest, this, [&dropped] { ++dropped; });
    for (int i = 0; i < 10050; ++i)
        log.append({QTime(0, 0), Direction::Sent, QByteArray::number(i), QString()});
    QCOMPARE(log.size(), 10000);
    QCOMPARE(dropped, 50);
    QCOMPARE(log.at(0).frame, QByteArray("50"));
    QCOMPARE(log.at(9999).frame, QByteArray("10049"));
    log.clear();
    QCOMPARE(log.size(), 0);
}

QTEST_GUILESS_MAIN(TestTrafficLog)
#include "tst_traffic_log.moc"
