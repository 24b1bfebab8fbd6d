#include "text_number.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestTextNumber : public QObject
{
    Q_OBJECT

private slots:
    void parseHex_data();
    void parseHex();
    void parseInt_data();
    void parseInt();
    void parseReal_data();
    void parseReal();
    void formatFixed_data();
    void formatFixed();
    void formatHex4_data();
    void formatHex4();
};

void TestTextNumber::parseHex_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quint32>("value");
    QTest::newRow("built-in address") << QByteArray("0x001E") << 0x1Eu;
    QTest::newRow("trailing blank") << QByteArray("0x001E ") << 0x1Eu;
    QTest::newRow("no prefix") << QByteArray("1E") << 0x1Eu;
    QTest::newRow("lower case, leading blanks") << QByteArray("  0x1e") << 0x1Eu;
    QTest::newRow("upper-case prefix") << QByteArray("0XFF00") << 0xFF00u;
    QTest::newRow("stops at non-hex") << QByteArray("0x12G4") << 0x12u;
    QTest::newRow("prefix alone") << QByteArray("0x") << 0u;
    QTest::newRow("empty") << QByteArray() << 0u;
    QTest::newRow("no digits") << QByteArray("xyz") << 0u;
    QTest::newRow("more than 16 bits") << QByteArray("0x12345") << 0x12345u;
    QTest::newRow("saturates") << QByteArray("0xFFFFFFFFFFFF") << 0xFFFFFFFFu;
}

void TestTextNumber::parseHex()
{
    QFETCH(QByteArray, text);
    QFETCH(quint32, value);
    QCOMPARE(TextNumber::parseHex(text), value);
}

void TestTextNumber::parseInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("2") << 2;
    QTest::newRow("leading number") << QByteArray(" 17abc") << 17;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("no number") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("too large") << QByteArray("99999999999") << std::numeric_limits<int>::max();
    QTest::newRow("too small") << QByteArray("-99999999999") << std::numeric_limits<int>::min();
    QTest::newRow("int min") << QByteArray("-2147483648") << std::numeric_limits<int>::min();
}

void TestTextNumber::parseInt()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(TextNumber::parseInt(text), value);
}

void TestTextNumber::parseReal_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("integer") << QByteArray("5000") << 5000.0;
    QTest::newRow("three decimals") << QByteArray("1.000") << 1.0;
    QTest::newRow("stops at junk") << QByteArray("  1.5x") << 1.5;
    QTest::newRow("no integer part") << QByteArray(".5") << 0.5;
    QTest::newRow("no fraction digits") << QByteArray("5.") << 5.0;
    QTest::newRow("exponent") << QByteArray("1e3") << 1000.0;
    QTest::newRow("incomplete exponent") << QByteArray("1e") << 1.0;
    QTest::newRow("incomplete signed exponent") << QByteArray("2E-x") << 2.0;
    QTest::newRow("negative") << QByteArray("-2.5") << -2.5;
    QTest::newRow("decimal comma stops") << QByteArray("1,5") << 1.0;
    QTest::newRow("no number") << QByteArray("abc") << 0.0;
    QTest::newRow("dot alone") << QByteArray(".") << 0.0;
    QTest::newRow("nan is no number") << QByteArray("nan") << 0.0;
    QTest::newRow("inf is no number") << QByteArray("inf") << 0.0;
    QTest::newRow("overflow") << QByteArray("1e999") << inf;
    QTest::newRow("negative overflow") << QByteArray("-1e999") << -inf;
    QTest::newRow("underflow") << QByteArray("1e-999") << 0.0;
}

void TestTextNumber::parseReal()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(TextNumber::parseReal(text), value);
}

void TestTextNumber::formatFixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("K of 1.0") << 5000.0 << 0 << QByteArray("5000");
    QTest::newRow("special 1.0") << 1.0 << 3 << QByteArray("1.000");
    QTest::newRow("tie to even down") << 2.5 << 0 << QByteArray("2");
    QTest::newRow("tie to even up") << 3.5 << 0 << QByteArray("4");
    QTest::newRow("above a tie in binary") << 0.0005 << 3 << QByteArray("0.001");
    QTest::newRow("negative zero") << -0.0 << 0 << QByteArray("-0");
    QTest::newRow("large") << 1e20 << 0 << QByteArray("100000000000000000000");
}

void TestTextNumber::formatFixed()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, text);
    QCOMPARE(TextNumber::formatFixed(value, decimals), text);
}

void TestTextNumber::formatHex4_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << 0u << QByteArray("0x0000");
    QTest::newRow("padded upper case") << 0x1Eu << QByteArray("0x001E");
    QTest::newRow("calibration") << 0xFF11u << QByteArray("0xFF11");
    QTest::newRow("wider than four") << 0x12345u << QByteArray("0x12345");
}

void TestTextNumber::formatHex4()
{
    QFETCH(quint32, value);
    QFETCH(QByteArray, text);
    QCOMPARE(TextNumber::formatHex4(value), text);
}

QTEST_APPLESS_MAIN(TestTextNumber)
#include "tst_text_number.moc"
