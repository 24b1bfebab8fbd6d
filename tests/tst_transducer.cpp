#include "modbus_ascii.h"
#include "transducer.h"

#include <QTest>

using namespace ModbusAscii;
using Outcome = ParsedReply::Outcome;
Q_DECLARE_METATYPE(Fault)

namespace {

Transducer model(int id)
{
    auto transducer = Transducer::withDefaults(id);
    Q_ASSERT(transducer);
    return *transducer;
}

QByteArray bytesOf(const Transducer::Reply &reply)
{
    const ParsedReply parsed = parseReply(reply.text);
    return parsed.outcome == Outcome::Bytes ? parsed.bytes : QByteArray();
}

} // namespace

class TestTransducer : public QObject
{
    Q_OBJECT

private slots:
    void startingImage_data();
    void startingImage();
    void unknownModel();
    void identification_data();
    void identification();
    void readReturnsImageInReplyForm();
    void writeIsStoredAndEchoed();
    void badRequestsGetNoAnswer_data();
    void badRequestsGetNoAnswer();
    void faults_data();
    void faults();
    void faultNamesRoundTrip();
};

void TestTransducer::startingImage_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("bytes");
    QTest::newRow("100") << 100 << 126;
    QTest::newRow("300") << 300 << 216;
    QTest::newRow("401") << 401 << 282;
}

void TestTransducer::startingImage()
{
    QFETCH(int, deviceId);
    QFETCH(int, bytes);
    const QByteArray image = model(deviceId).image();
    QCOMPARE(image.size(), bytes);
    QCOMPARE((quint8(image[0]) << 8) | quint8(image[1]), deviceId);
    // Some coefficients differ from 1.0 so that a read visibly changes the list.
    const int rows = (bytes - 6) / 6;
    const qsizetype coefficients = 6 + 2 * rows;
    QCOMPARE(image.mid(coefficients, 4), QByteArray::fromHex("00CCCC02"));
    QCOMPARE(image.mid(coefficients + 4 * 4, 4), QByteArray::fromHex("01333302"));
    QCOMPARE(image.mid(coefficients + 4 * 10, 4), QByteArray::fromHex("01000002"));
}

void TestTransducer::unknownModel()
{
    QVERIFY(!Transducer::withDefaults(150).has_value());
}

void TestTransducer::identification_data()
{
    QTest::addColumn<int>("requestedId");
    QTest::addColumn<int>("function");
    QTest::addColumn<QByteArray>("replyBytes");
    QTest::newRow("read, fresh program") << 0 << int(ReadConfig) << QByteArray::fromHex("05E4012C");
    QTest::newRow("read, another model")
        << 200 << int(ReadConfig) << QByteArray::fromHex("05E4012C");
    QTest::newRow("write, another model")
        << 401 << int(WriteConfig) << QByteArray::fromHex("05E5012C");
}

void TestTransducer::identification()
{
    QFETCH(int, requestedId);
    QFETCH(int, function);
    QFETCH(QByteArray, replyBytes);
    Transducer device = model(300);
    QByteArray data;
    data.append(char(requestedId >> 8)).append(char(requestedId & 0xFF));
    if (function == WriteConfig)
        data.append(QByteArray(4 + 6 * 46, '\0'));
    const auto reply = device.respond(buildRequest(0, quint8(function), data));
    QVERIFY(reply.has_value());
    QCOMPARE(bytesOf(*reply), replyBytes);
    QCOMPARE(reply->delayMs, 0);
}

void TestTransducer::readReturnsImageInReplyForm()
{
    Transducer device = model(401);
    const auto reply = device.respond(buildReadConfigRequest(401));
    QVERIFY(reply.has_value());
    QCOMPARE(reply->text.size(), 571);
    const QByteArray bytes = bytesOf(*reply);
    QCOMPARE(quint8(bytes[0]), quint8(device.image()[2])); // Modbus address
    QCOMPARE(quint8(bytes[1]), quint8(ReadConfig));
    QByteArray expected = device.image();
    expected.remove(2, 1);
    QCOMPARE(bytes.mid(2), expected);
}

void TestTransducer::writeIsStoredAndEchoed()
{
    Transducer device = model(100);
    QByteArray image = device.image();
    image[2] = char(17);           // new Modbus address
    image[image.size() - 2] = 'Z'; // a coefficient byte
    const auto reply = device.respond(buildWriteConfigRequest(image));
    QVERIFY(reply.has_value());
    const QByteArray bytes = bytesOf(*reply);
    QCOMPARE(quint8(bytes[0]), quint8(17));
    QCOMPARE(quint8(bytes[1]), quint8(WriteConfig));
    QByteArray echo = bytes.mid(2);
    echo.insert(2, char(bytes[0]));
    QCOMPARE(echo, image);
    QCOMPARE(device.image(), image);
    // The next read reports the stored configuration.
    const QByteArray read = bytesOf(*device.respond(buildReadConfigRequest(100)));
    QCOMPARE(read.mid(2), bytes.mid(2));
}

void TestTransducer::badRequestsGetNoAnswer_data()
{
    QTest::addColumn<QByteArray>("request");
    QByteArray badLrc = buildReadConfigRequest(300);
    badLrc[9] = 'F';
    QTest::newRow("wrong LRC") << badLrc;
    QTest::newRow("other function") << buildRequest(0, 0x03, QByteArray::fromHex("012C"));
    QTest::newRow("no device ID") << buildRequest(0, ReadConfig, QByteArray());
    QTest::newRow("write of a partial image")
        << buildWriteConfigRequest(QByteArray::fromHex("012C0545022000"));
    QTest::newRow("not a frame") << QByteArray("hello\n");
}

void TestTransducer::badRequestsGetNoAnswer()
{
    QFETCH(QByteArray, request);
    Transducer device = model(300);
    const QByteArray before = device.image();
    QVERIFY(!device.respond(request).has_value());
    QCOMPARE(device.image(), before);
}

void TestTransducer::faults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("bytesHead"); // first bytes of an accepted reply

    QTest::newRow("none, read") << Fault::None << false << true << 0 << Outcome::Bytes
                                << QByteArray::fromHex("0564");
    QTest::newRow("silent") << Fault::Silent << false << false << 0 << Outcome::NoReply
                            << QByteArray();
    QTest::newRow("late read") << Fault::Late << false << true << Transducer::LateReadReplyMs
                               << Outcome::Bytes << QByteArray::fromHex("0564");
    QTest::newRow("late write") << Fault::Late << true << true << Transducer::LateWriteReplyMs
                                << Outcome::Bytes << QByteArray::fromHex("0565");
    QTest::newRow("truncated") << Fault::Truncated << false << true << 0 << Outcome::ReceptionError
                               << QByteArray();
    QTest::newRow("bad LRC") << Fault::BadLrc << false << true << 0 << Outcome::ReceptionError
                             << QByteArray();
    QTest::newRow("lower case") << Fault::LowerCase << false << true << 0 << Outcome::ReceptionError
                                << QByteArray();
    QTest::newRow("noise") << Fault::Noise << false << true << 0 << Outcome::ReceptionError
                           << QByteArray();
    QTest::newRow("echo changed, read unaffected") << Fault::EchoChanged << false << true << 0
                                                   << Outcome::Bytes << QByteArray::fromHex("0564");
    QTest::newRow("echo address") << Fault::EchoAddress << true << true << 0 << Outcome::Bytes
                                  << QByteArray::fromHex("0665");
    QTest::newRow("other ID, read") << Fault::OtherId << false << true << 0 << Outcome::Bytes
                                    << QByteArray::fromHex("05E40096");
    QTest::newRow("not stored, write")
        << Fault::NotStored << true << true << 0 << Outcome::Bytes << QByteArray::fromHex("0565");
    QTest::newRow("other ID, write")
        << Fault::OtherId << true << true << 0 << Outcome::Bytes << QByteArray::fromHex("05E50096");
}

void TestTransducer::faults()
{
    QFETCH(Fault, fault);
    QFETCH(bool, write);
    QFETCH(bool, answers);
    QFETCH(int, delayMs);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, bytesHead);
    Transducer device = model(300);
    device.setFault(fault);
    const QByteArray request =
        write ? buildWriteConfigRequest(device.image()) : buildReadConfigRequest(300);
    const auto reply = device.respond(request);
    QCOMPARE(reply.has_value(), answers);
    if (!reply)
        return;
    QCOMPARE(reply->delayMs, delayMs);
    const ParsedReply parsed = parseReply(reply->text);
    QCOMPARE(parsed.outcome, outcome);
    QVERIFY(parsed.bytes.startsWith(bytesHead));
}

void TestTransducer::faultNamesRoundTrip()
{
    const QStringList names = faultNames();
    QCOMPARE(names.size(), 14);
    for (const QString &name : names)
        QCOMPARE(faultName(faultFromName(name).value()), name);
    QVERIFY(!faultFromName("sometimes").has_value());

    // The changed echo differs from the image in exactly one byte.
    Transducer device = model(100);
    device.setFault(Fault::EchoChanged);
    const QByteArray image = device.image();
    const QByteArray bytes = bytesOf(*device.respond(buildWriteConfigRequest(image)));
    QByteArray echo = bytes.mid(2);
    echo.insert(2, bytes[0]);
    QCOMPARE(echo.size(), image.size());
    int differences = 0;
    for (int i = 0; i < image.size(); ++i)
        differences += echo[i] != image[i] ? 1 : 0;
    QCOMPARE(differences, 1);
}

QTEST_APPLESS_MAIN(TestTransducer)
#include "tst_transducer.moc"
