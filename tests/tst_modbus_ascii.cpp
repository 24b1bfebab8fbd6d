#include "modbus_ascii.h"

#include <QTest>

using namespace ModbusAscii;
using Outcome = ParsedReply::Outcome;
Q_DECLARE_METATYPE(ParsedReply::Outcome)

namespace {

// A well-formed reply text for the given frame bytes.
QByteArray frameOf(const QByteArray &bytes)
{
    return buildRequest(quint8(bytes.at(0)), quint8(bytes.at(1)), bytes.mid(2));
}

} // namespace

class TestModbusAscii : public QObject
{
    Q_OBJECT

private slots:
    void nibbleConversions();
    void encodeHexByte_data();
    void encodeHexByte();
    void decodeHexPair_data();
    void decodeHexPair();
    void computeLrc_data();
    void computeLrc();
    void readConfigRequest_data();
    void readConfigRequest();
    void writeConfigRequestLength_data();
    void writeConfigRequestLength();
    void parseReply_data();
    void parseReply();
    void requestsRoundTrip();
};

void TestModbusAscii::nibbleConversions()
{
    const char digits[] = "0123456789ABCDEF";
    for (int v = 0; v < 16; ++v) {
        QCOMPARE(nibbleToHex(quint8(v)), digits[v]);
        QCOMPARE(hexToNibble(digits[v]), quint8(v));
    }
    QCOMPARE(hexToNibble('a'), quint8(0x61));
    QCOMPARE(hexToNibble('f'), quint8(0x66));
    QCOMPARE(hexToNibble('G'), quint8('G'));
    QCOMPARE(hexToNibble('\xFF'), quint8(0xFF));
}

void TestModbusAscii::encodeHexByte_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0xAB") << 0xAB << QByteArray("AB");
    QTest::newRow("0x05") << 0x05 << QByteArray("05");
    QTest::newRow("0x00") << 0x00 << QByteArray("00");
    QTest::newRow("0xFF") << 0xFF << QByteArray("FF");
}

void TestModbusAscii::encodeHexByte()
{
    QFETCH(int, value);
    QFETCH(QByteArray, text);
    QCOMPARE(ModbusAscii::encodeHexByte(quint8(value)), text);
}

void TestModbusAscii::decodeHexPair_data()
{
    QTest::addColumn<char>("high");
    QTest::addColumn<char>("low");
    QTest::addColumn<int>("value");
    QTest::newRow("1A") << '1' << 'A' << 0x1A;
    QTest::newRow("FF") << 'F' << 'F' << 0xFF;
    QTest::newRow("lower-case low digit") << '1' << 'a' << 0x71;
    QTest::newRow("lower-case high digit") << 'a' << '0' << ((0x61 * 16) % 256);
    QTest::newRow("CR enters with its code") << '0' << '\r' << 0x0D;
}

void TestModbusAscii::decodeHexPair()
{
    QFETCH(char, high);
    QFETCH(char, low);
    QFETCH(int, value);
    QCOMPARE(ModbusAscii::decodeHexPair(high, low), quint8(value));
}

void TestModbusAscii::computeLrc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lrc");
    QTest::newRow("read ID 0") << QByteArray::fromHex("00640000") << 0x9C;
    QTest::newRow("read ID 300") << QByteArray::fromHex("0064012C") << 0x6F;
    QTest::newRow("sum 0") << QByteArray::fromHex("0100FF") << 0x00;
    QTest::newRow("empty") << QByteArray() << 0x00;
}

void TestModbusAscii::computeLrc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, lrc);
    QCOMPARE(ModbusAscii::computeLrc(bytes), quint8(lrc));
}

void TestModbusAscii::readConfigRequest_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("ID 0") << 0 << QByteArray(":006400009C\r\n");
    QTest::newRow("ID 300") << 300 << QByteArray(":0064012C6F\r\n");
    QTest::newRow("ID 401") << 401 << QByteArray(":006401910A\r\n");
}

void TestModbusAscii::readConfigRequest()
{
    QFETCH(int, deviceId);
    QFETCH(QByteArray, text);
    const QByteArray request = buildReadConfigRequest(quint16(deviceId));
    QCOMPARE(request, text);
    QCOMPARE(request.size(), 13);
}

void TestModbusAscii::writeConfigRequestLength_data()
{
    QTest::addColumn<int>("imageBytes");
    QTest::addColumn<int>("characters");
    QTest::newRow("empty table") << 6 << 21;
    QTest::newRow("model 100") << 126 << 261;
    QTest::newRow("model 401") << 282 << 573;
}

void TestModbusAscii::writeConfigRequestLength()
{
    QFETCH(int, imageBytes);
    QFETCH(int, characters);
    QByteArray image(imageBytes, '\x5A');
    const QByteArray request = buildWriteConfigRequest(image);
    QCOMPARE(request.size(), characters);
    QVERIFY(request.startsWith(":0065"));
    QVERIFY(request.endsWith("\r\n"));
    const ParsedReply parsed = ModbusAscii::parseReply(request);
    QCOMPARE(parsed.outcome, Outcome::Bytes);
    QCOMPARE(parsed.bytes, QByteArray("\x00\x65", 2) + image);
}

void TestModbusAscii::parseReply_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray mismatch = QByteArray::fromHex("07E4012C");
    const QByteArray good = frameOf(mismatch); // ":07E4012CE0\r\n"
    QTest::newRow("id mismatch reply") << good << Outcome::Bytes << mismatch;
    QTest::newRow("nothing") << QByteArray() << Outcome::NoReply << QByteArray();
    QTest::newRow("no colon") << QByteArray("x") + good.mid(1) << Outcome::ReceptionError
                              << QByteArray();
    QTest::newRow("noise before colon")
        << QByteArray("\x00~", 2) + good << Outcome::ReceptionError << QByteArray();
    QTest::newRow("truncated") << good.left(8) << Outcome::ReceptionError << QByteArray();
    QTest::newRow("no LF") << good.chopped(1) << Outcome::ReceptionError << QByteArray();
    QByteArray otherCr = good;
    otherCr[otherCr.size() - 2] = '#';
    QTest::newRow("CR not checked") << otherCr << Outcome::Bytes << mismatch;
    QByteArray badLrc = good;
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
    QTest::newRow("wrong LRC") << badLrc << Outcome::ReceptionError << QByteArray();
    QTest::newRow("lower-case digits") << good.toLower() << Outcome::ReceptionError << QByteArray();
    // "P" and "1" weigh the same in the LRC sum: only the digit check finds it.
    QTest::newRow("non-hex, LRC agrees")
        << QByteArray(":P1E4019189\r\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("non-hex in the LRC")
        << QByteArray(":07E4012CG0\r\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("extra characters without LF")
        << good + "xy" << Outcome::ReceptionError << QByteArray();
    QTest::newRow("extra characters ending in LF") << good + "00\n"
                                                   << Outcome::ReceptionError << QByteArray();
    QTest::newRow("two replies run together")
        << good + frameOf(QByteArray::fromHex("0564012C11223344")) << Outcome::ReceptionError
        << QByteArray();
    // ":" + "0064" + "1" + LRC: the odd character pairs with the first LRC
    // character, and the LRC comparison then fails.
    QTest::newRow("odd character count")
        << QByteArray(":006419C\r\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("too short") << QByteArray(":\r\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("colon and LF") << QByteArray(":\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("LRC only, no bytes")
        << QByteArray(":00\r\n") << Outcome::ReceptionError << QByteArray();
    QTest::newRow("address only") << QByteArray(":01FF\r\n") << Outcome::ReceptionError
                                  << QByteArray();
    QTest::newRow("address and function")
        << QByteArray(":0180\r\n").insert(5, "7F") << Outcome::Bytes << QByteArray::fromHex("0180");
}

void TestModbusAscii::parseReply()
{
    QFETCH(QByteArray, text);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, bytes);
    const ParsedReply parsed = ModbusAscii::parseReply(text);
    QCOMPARE(parsed.outcome, outcome);
    QCOMPARE(parsed.bytes, bytes);
}

void TestModbusAscii::requestsRoundTrip()
{
    for (int id : {0, 100, 200, 300, 400, 401, 0xFFFF}) {
        const ParsedReply parsed = ModbusAscii::parseReply(buildReadConfigRequest(quint16(id)));
        QCOMPARE(parsed.outcome, Outcome::Bytes);
        QCOMPARE(parsed.bytes.size(), 4);
        QCOMPARE(quint8(parsed.bytes[1]), quint8(ReadConfig));
        QCOMPARE((quint8(parsed.bytes[2]) << 8) | quint8(parsed.bytes[3]), id);
    }
}

QTEST_APPLESS_MAIN(TestModbusAscii)
#include "tst_modbus_ascii.moc"
