// The commissioning record as the journal keeps it: what is written is read
// back the same, and a line that is no record names the field at fault.

#include "commission_record.h"

#include <QJsonArray>
#include <QTest>
#include <QTimeZone>

class TestCommissionRecord : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void linesOfEarlierVersions();
    void invalidEntries_data();
    void invalidEntries();
};

void TestCommissionRecord::roundTrip()
{
    CommissionRecord record;
    record.time = CommissionRecord::timeText(
        QDateTime(QDate(2026, 12, 9), QTime(10, 0, 1, 2), QTimeZone(-(5 * 3600 + 30 * 60))));
    QCOMPARE(record.time, QString("2026-12-09T10:00:01.002-05:30"));
    record.user = "инженер";
    record.host = "bench";
    record.port = "COM2";
    record.device = "/dev/ttyUSB0";
    record.unit = "№ 2026-0417";
    record.referenceFile = "ref \"401\".dat";
    record.referenceSha256 = QString(64, u'a');
    record.address = 247;
    record.deviceId = 65535;
    record.asFound = QJsonObject{{"deviceAddress", 5}, {"registers", QJsonArray{"x", 1.5}}};
    record.asFoundDifferences = {"Адрес устройства: файл 9, устройство 5"};
    record.asFoundFile = "kept/401-9-as-found.dat";
    record.echo = CommissionRecord::Echo::Differs;
    record.asLeft = QJsonObject{};
    record.asLeftFile = "kept/401-9-as-left.dat";
    record.result = CommissionRecord::Result::Refused;
    record.exitCode = 255;
    record.message = "строка 1\nstring \\ 2";
    record.frames = {"10:00:00.000 -> :01\\r\\n"};

    const QByteArray line = record.toJsonLine();
    QVERIFY(line.endsWith("}\n") && line.count('\n') == 1);
    QString fault;
    const std::optional<CommissionRecord> back = CommissionRecord::fromJson(line, fault);
    QVERIFY2(back, qPrintable(fault));
    QCOMPARE(*back, record);

    // The summary keeps what a report shows, and that the device was read.
    const std::optional<CommissionRecord> summary =
        CommissionRecord::fromJson(line, fault, CommissionRecord::Detail::Summary);
    QVERIFY(summary && summary->frames.isEmpty());
    QCOMPARE(summary->asFound, QJsonObject());
    QCOMPARE(summary->asFoundDifferences, record.asFoundDifferences);
    QCOMPARE(summary->message, record.message);
}

void TestCommissionRecord::linesOfEarlierVersions()
{
    // Before the run's user, host, port and reference were kept; null is
    // as good as absent.
    QString fault;
    const std::optional<CommissionRecord> record = CommissionRecord::fromJson(
        R"({"time":"t","result":"failed","exitCode":4,"deviceId":null,"address":5})", fault);
    QVERIFY2(record, qPrintable(fault));
    QCOMPARE(record->result, CommissionRecord::Result::Failed);
    QCOMPARE(record->address, std::optional<int>(5));
    QVERIFY(!record->deviceId && !record->asFound && !record->echo);
    QVERIFY(record->referenceFile.isEmpty() && record->user.isEmpty());
}

void TestCommissionRecord::invalidEntries_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("field"); // "" when the line is no record at all
    const QByteArray head = R"({"time":"t","result":"failed","exitCode":4,)";
    const auto with = [&head](const char *field) { return head + field + '}'; };
    QTest::newRow("not JSON") << QByteArray(R"({"time": "broken)") << "";
    QTest::newRow("an array") << QByteArray("[1]") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("raw NUL") << with(R"("user":"u")") + QByteArray("\0x", 2) << "";
    QTest::newRow("not UTF-8") << with("\"user\":\"\xC3\x28\"") << "";
    QTest::newRow("deep nesting") << QByteArray(200000, '[') << "";
    QTest::newRow("no time") << QByteArray(R"({"result":"failed","exitCode":4})") << "time";
    QTest::newRow("unknown result")
        << QByteArray(R"({"time":"t","result":"done","exitCode":4})") << "result";
    QTest::newRow("result, a prefix")
        << QByteArray(R"({"time":"t","result":"fail","exitCode":4})") << "result";
    QTest::newRow("exit code 256")
        << QByteArray(R"({"time":"t","result":"failed","exitCode":256})") << "exitCode";
    QTest::newRow("exit code 3.5")
        << QByteArray(R"({"time":"t","result":"failed","exitCode":3.5})") << "exitCode";
    QTest::newRow("user a number") << with(R"("user":5)") << "user";
    QTest::newRow("unit a number") << with(R"("unit":17)") << "unit";
    QTest::newRow("reference a text") << with(R"("reference":"ref.dat")") << "reference";
    QTest::newRow("reference file a number") << with(R"("reference":{"file":1})") << "reference";
    QTest::newRow("address 248") << with(R"("address":248)") << "address";
    QTest::newRow("address negative") << with(R"("address":-1)") << "address";
    QTest::newRow("device ID huge") << with(R"("deviceId":1e300)") << "deviceId";
    QTest::newRow("device ID a text") << with(R"("deviceId":"401")") << "deviceId";
    QTest::newRow("as found an array") << with(R"("asFound":[])") << "asFound";
    QTest::newRow("differences not texts")
        << with(R"("asFoundDifferences":[1])") << "asFoundDifferences";
    QTest::newRow("echo unknown") << with(R"("echo":"maybe")") << "echo";
    QTest::newRow("frames a text") << with(R"("frames":"x")") << "frames";
    // The first field at fault, in the record's order.
    QTest::newRow("two faults") << with(R"("frames":1,"address":"x")") << "address";
}

void TestCommissionRecord::invalidEntries()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, field);
    QString fault = "unset";
    QVERIFY(!CommissionRecord::fromJson(line, fault));
    QCOMPARE(fault, field);
}

QTEST_GUILESS_MAIN(TestCommissionRecord)
#include "tst_commission_record.moc"
