// The configuration file format alone: exact bytes, counted strings, the
// coefficient conversion, and damaged files.

#include "config_file.h"
#include "cp1251.h"
#include "device_models.h"
#include "register_table.h"

#include <QTest>

using namespace ConfigFile;

namespace {

QByteArray fileOf(const QList<RegisterEntry> &rows, LinkBytes link = {5, 0x45, 2, 0x20})
{
    Configuration configuration;
    configuration.deviceId = 401;
    configuration.rows = rows;
    configuration.link = link;
    return encode(configuration);
}

RegisterEntry frequencyRow()
{
    return {toCp1251(u"Частота (f)"), "0x001E", "2", "1.000", RegisterKind::Parameter};
}

QList<RegisterEntry> modelRows(int deviceId)
{
    RegisterTable table;
    QString fileName;
    buildRegisterTable(table, deviceId, fileName);
    QList<RegisterEntry> rows;
    for (int r = 0; r < table.rowCount(); ++r)
        rows.append(table.row(r));
    return rows;
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void exampleRowRecord();
    void emptyTable();
    void countedStrings_data();
    void countedStrings();
    void utf16StringIsRead();
    void model100RoundTrip();
    void kindsAndOrder();
    void damagedFiles_data();
    void damagedFiles();
    void everyTruncationIsRefused();
};

void TestConfigFile::exampleRowRecord()
{
    const QByteArray file = fileOf({frequencyRow()});
    const QByteArray record = file.mid(5, file.size() - 9);
    QByteArray expected;
    expected += char(11) + toCp1251(u"Частота (f)");
    expected += QByteArray("\x06") + "0x001E";
    expected += QByteArray("\x01") + "2";
    expected += QByteArray(4, '\0');
    expected += QByteArray("\x05") + "1.000";
    QCOMPARE(record.size(), 31);
    QCOMPARE(record, expected);
    QCOMPARE(file.left(5), QByteArray::fromHex("9101000001"));
    QCOMPARE(file.right(4), QByteArray::fromHex("05450220"));
}

void TestConfigFile::emptyTable()
{
    Configuration configuration;
    configuration.link = {0, 0x13, 1, 0x10};
    const QByteArray file = encode(configuration);
    QCOMPARE(file, QByteArray::fromHex("000000000000130110"));
    QCOMPARE(file.size(), 9);
    const ReadResult back = decode(file);
    QCOMPARE(back.error, ReadError::None);
    QVERIFY(back.configuration.rows.isEmpty());
    QCOMPARE(back.configuration.link, configuration.link);
}

void TestConfigFile::countedStrings_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");

    QTest::newRow("empty") << 0 << QByteArray::fromHex("00");
    QTest::newRow("254") << 254 << QByteArray::fromHex("fe");
    QTest::newRow("255") << 255 << QByteArray::fromHex("ffff00");
    QTest::newRow("65533") << 65533 << QByteArray::fromHex("fffdff");
    QTest::newRow("65534") << 65534
                           << QByteArray::fromHex("ffffff"
                                                  "feff0000");
    QTest::newRow("70000") << 70000
                           << QByteArray::fromHex("ffffff"
                                                  "70110100");
}

void TestConfigFile::countedStrings()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);

    const QByteArray text(length, 'N');
    QByteArray bytes;
    appendCountedString(bytes, text);
    QCOMPARE(bytes.left(prefix.size()), prefix);
    QCOMPARE(bytes.size(), prefix.size() + length);

    // A name of that length comes back whole.
    RegisterEntry row = frequencyRow();
    row.name = text;
    const ReadResult back = decode(fileOf({row}));
    QCOMPARE(back.error, ReadError::None);
    QCOMPARE(back.configuration.rows.value(0).name, text);
}

void TestConfigFile::utf16StringIsRead()
{
    const QString name = QStringLiteral("Частота (f)");
    QByteArray file = QByteArray::fromHex("9101000001");
    file += QByteArray::fromHex("fffeff") + char(name.size());
    for (QChar c : name)
        file += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
    file += QByteArray("\x06") + "0x001E" + QByteArray("\x01") + "2" + QByteArray(4, '\0');
    file += QByteArray("\x05") + "1.000" + QByteArray::fromHex("05450220");
    const ReadResult back = decode(file);
    QCOMPARE(back.error, ReadError::None);
    QCOMPARE(back.configuration.rows.value(0), frequencyRow());
}

void TestConfigFile::model100RoundTrip()
{
    QList<RegisterEntry> rows = modelRows(100);
    QCOMPARE(rows.size(), 20);
    rows[0].coefficient = "3001";
    rows[1].coefficient = "2503";
    rows[2].address = "0x0002 ";
    const ReadResult back = decode(fileOf(rows));
    QCOMPARE(back.error, ReadError::None);
    QCOMPARE(back.configuration.deviceId, 401u);
    QList<RegisterEntry> expected = rows;
    // Three decimals of the device coefficient: K in steps of 5.
    expected[0].coefficient = "3000";
    expected[1].coefficient = "2505";
    QCOMPARE(back.configuration.rows, expected);
    QCOMPARE(fileCoefficient(rows[0]), QByteArray("0.600"));
    QCOMPARE(fileCoefficient(rows[1]), QByteArray("0.501"));
}

void TestConfigFile::kindsAndOrder()
{
    // Any kind other than 0 is a calibration row; written back as 1.
    QByteArray file = fileOf({frequencyRow()});
    file[5 + 1 + 11 + 1 + 6 + 1 + 1] = 7;
    const ReadResult back = decode(file);
    QCOMPARE(back.error, ReadError::None);
    QCOMPARE(back.configuration.rows.value(0).kind, RegisterKind::Calibration);
    const QByteArray again = encode(back.configuration);
    QCOMPARE(quint8(again[5 + 1 + 11 + 1 + 6 + 1 + 1]), quint8(1));
}

void TestConfigFile::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ReadError>("error");

    const QByteArray good = fileOf({frequencyRow()});
    QTest::newRow("nothing") << QByteArray() << ReadError::PastEnd;
    QTest::newRow("one byte short") << good.chopped(1) << ReadError::PastEnd;
    QTest::newRow("one byte more") << good + '\0' << ReadError::TrailingBytes;

    QByteArray rows64 = QByteArray::fromHex("0000000040") + QByteArray(64 * 8, '\0');
    QTest::newRow("64 rows") << rows64 << ReadError::TooManyRows;
    QByteArray rows255 = QByteArray::fromHex("00000000ff");
    QTest::newRow("255 rows") << rows255 << ReadError::TooManyRows;

    QByteArray huge = QByteArray::fromHex("0000000001") + QByteArray::fromHex("ffffffffffffff");
    huge += QByteArray(64, 'x');
    QTest::newRow("4 GB name") << huge << ReadError::PastEnd;
    QByteArray wide = QByteArray::fromHex("0000000001") + QByteArray::fromHex("fffeffffffffffffff");
    wide += QByteArray(64, 'x');
    QTest::newRow("4 G UTF-16 characters") << wide << ReadError::PastEnd;
    QByteArray length16 = QByteArray::fromHex("0000000001") + QByteArray::fromHex("ff0010");
    QTest::newRow("16-bit length past the end") << length16 << ReadError::PastEnd;
}

void TestConfigFile::damagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(ReadError, error);
    const ReadResult result = decode(file);
    QCOMPARE(result.error, error);
}

void TestConfigFile::everyTruncationIsRefused()
{
    const QByteArray good = fileOf(modelRows(401));
    QCOMPARE(decode(good).error, ReadError::None);
    for (qsizetype length = 0; length < good.size(); ++length) {
        const ReadResult result = decode(good.left(length));
        if (result.error != ReadError::PastEnd)
            QFAIL(qPrintable(QStringLiteral("accepted when cut at %1").arg(length)));
    }
}

QTEST_MAIN(TestConfigFile)
#include "tst_config_file.moc"
