#include "config_image.h"
#include "cp1251.h"
#include "device_models.h"
#include "session.h"

#include <QTest>

using Column = RegisterTable::Column;

namespace {

void setLink(Session &s, std::optional<TransmissionMode> mode, std::optional<int> baud,
             std::optional<Parity> parity, std::optional<StopBits> stopBits)
{
    s.link.transmissionMode = mode;
    s.link.baudCode = baud ? baudCodeOfRate(*baud) : std::nullopt;
    s.link.parity = parity;
    s.link.stopBits = stopBits;
}

// A table of one listed row and one calibration row.
void oneRow(Session &s, const QByteArray &name, const QByteArray &address,
            const QByteArray &coefficient)
{
    s.table.append({name, address, "2", coefficient, RegisterKind::Parameter});
    s.table.append({"Cal", "0xFF00", "1", "5000", RegisterKind::Calibration});
}

QByteArray shown(const Session &s, int row, Column column)
{
    return s.table.shownText(row, column);
}

} // namespace

Q_DECLARE_METATYPE(std::optional<TransmissionMode>)
Q_DECLARE_METATYPE(std::optional<Parity>)
Q_DECLARE_METATYPE(std::optional<StopBits>)
Q_DECLARE_METATYPE(std::optional<int>)

class TestConfigImage : public QObject
{
    Q_OBJECT

private slots:
    void imageSizes_data();
    void imageSizes();
    void imageLayout();
    void coefficientBytes_data();
    void coefficientBytes();
    void packLinkByte_data();
    void packLinkByte();
    void unpackLinkByte_data();
    void unpackLinkByte();
    void wiringByteKeptUntilClicked();
    void applyImageFillsListAndSettings();
    void applyImageKeepsDeviceAddresses();
    void shortImageChangesNothing();
};

void TestConfigImage::imageSizes_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("bytes");
    QTest::newRow("no table") << 0 << 6;
    QTest::newRow("100") << 100 << 126;
    QTest::newRow("401") << 401 << 282;
}

void TestConfigImage::imageSizes()
{
    QFETCH(int, deviceId);
    QFETCH(int, bytes);
    Session s;
    buildRegisterTable(s.table, deviceId, s.configFileName);
    s.deviceId = deviceId;
    QCOMPARE(ConfigImage::buildImage(s).size(), bytes);
}

void TestConfigImage::imageLayout()
{
    Session s;
    setLink(s, TransmissionMode::Ascii, 9600, Parity::Even, StopBits::Two);
    s.deviceId = 401;
    s.link.deviceAddress = 7;
    s.link.cellSize = 2;
    s.link.wiringByte = 0x20;
    s.table.append({"P0", "0x001E ", "2", "5000", RegisterKind::Parameter});
    s.table.append({"P1", "0x0020", "5", "2500", RegisterKind::Parameter});
    s.table.append({"Cal", "0xFF11", "1", "5000", RegisterKind::Calibration});
    const QByteArray image = ConfigImage::buildImage(s);
    QCOMPARE(image.toHex().toUpper(), QByteArray("019107550220"
                                                 "001E0020FF11"
                                                 "01000002"
                                                 "00800005"
                                                 "01000001"));
}

void TestConfigImage::coefficientBytes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("kText");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("readBack");
    const QByteArray ordinary = "Ua";
    const QByteArray frequency = toCp1251(u"Частота (f)");
    QTest::newRow("5000") << ordinary << QByteArray("5000") << QByteArray("010000")
                          << QByteArray("5000");
    QTest::newRow("2500") << ordinary << QByteArray("2500") << QByteArray("008000")
                          << QByteArray("2500");
    QTest::newRow("4999") << ordinary << QByteArray("4999") << QByteArray("00FFF2")
                          << QByteArray("4999");
    QTest::newRow("special 1.0000")
        << frequency << QByteArray("1.0000") << QByteArray("010000") << QByteArray("1.000");
    QTest::newRow("special 1.5") << frequency << QByteArray("1.5") << QByteArray("018000")
                                 << QByteArray("1.500");
    QTest::newRow("special 0.5") << frequency << QByteArray("0.5") << QByteArray("008000")
                                 << QByteArray("0.500");
    QTest::newRow("finer than the device holds")
        << ordinary << QByteArray("4999.9") << QByteArray("00FFFE") << QByteArray("5000");
    QTest::newRow("above 256 keeps low 24 bits")
        << ordinary << QByteArray("2000000") << QByteArray("900000") << QByteArray("720000");
    QTest::newRow("negative keeps low 24 bits")
        << ordinary << QByteArray("-5000") << QByteArray("FF0000") << QByteArray("1275000");
    QTest::newRow("no number") << ordinary << QByteArray("abc") << QByteArray("000000")
                               << QByteArray("0");
    QTest::newRow("beyond double range")
        << frequency << QByteArray("1e999") << QByteArray("000000") << QByteArray("0.000");
}

void TestConfigImage::coefficientBytes()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, kText);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, readBack);
    Session s;
    s.deviceId = 300;
    oneRow(s, name, "0x0000", kText);
    QByteArray image = ConfigImage::buildImage(s);
    QCOMPARE(image.size(), 18);
    QCOMPARE(image.mid(10, 3).toHex().toUpper(), bytes);

    // The same bytes from a device show as the K text the device holds.
    QVERIFY(ConfigImage::applyImage(image, s.link, s.table));
    QCOMPARE(shown(s, 0, Column::Coefficient), readBack);
    QCOMPARE(shown(s, 0, Column::Size), QByteArray("2"));
    QCOMPARE(s.table.row(0).coefficient, kText);
}

void TestConfigImage::packLinkByte_data()
{
    QTest::addColumn<std::optional<TransmissionMode>>("mode");
    QTest::addColumn<std::optional<int>>("baud");
    QTest::addColumn<std::optional<Parity>>("parity");
    QTest::addColumn<std::optional<StopBits>>("stopBits");
    QTest::addColumn<int>("linkByte");
    using Mode = std::optional<TransmissionMode>;
    QTest::newRow("even, 2 stop, 9600, ASCII")
        << Mode(TransmissionMode::Ascii) << std::optional<int>(9600)
        << std::optional<Parity>(Parity::Even) << std::optional<StopBits>(StopBits::Two) << 0x55;
    QTest::newRow("odd, 1 stop, 19200, RTU")
        << Mode(TransmissionMode::Rtu) << std::optional<int>(19200)
        << std::optional<Parity>(Parity::Odd) << std::optional<StopBits>(StopBits::One) << 0xE7;
    QTest::newRow("none, 1 stop, 1200, ASCII")
        << Mode(TransmissionMode::Ascii) << std::optional<int>(1200)
        << std::optional<Parity>(Parity::None) << std::optional<StopBits>(StopBits::One) << 0x02;
    QTest::newRow("everything unset") << Mode() << std::optional<int>() << std::optional<Parity>()
                                      << std::optional<StopBits>() << 0xE0;
}

void TestConfigImage::packLinkByte()
{
    QFETCH(std::optional<TransmissionMode>, mode);
    QFETCH(std::optional<int>, baud);
    QFETCH(std::optional<Parity>, parity);
    QFETCH(std::optional<StopBits>, stopBits);
    QFETCH(int, linkByte);
    Session s;
    setLink(s, mode, baud, parity, stopBits);
    QCOMPARE(int(::packLinkByte(s.link)), linkByte);
    // Unpacked again, the same settings.
    LinkSettings again;
    ::unpackLinkByte(again, quint8(linkByte));
    if (mode)
        QCOMPARE(again.transmissionMode, mode);
    if (baud)
        QCOMPARE(again.baudCode, baudCodeOfRate(*baud));
    if (parity)
        QCOMPARE(again.parity, parity);
    if (stopBits)
        QCOMPARE(again.stopBits, stopBits);
}

void TestConfigImage::unpackLinkByte_data()
{
    QTest::addColumn<int>("linkByte");
    QTest::addColumn<TransmissionMode>("mode");
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<Parity>("parity");
    QTest::addColumn<StopBits>("stopBits");
    QTest::newRow("0x55") << 0x55 << TransmissionMode::Ascii << 5 << Parity::Even << StopBits::Two;
    QTest::newRow("0xE7") << 0xE7 << TransmissionMode::Rtu << 7 << Parity::Odd << StopBits::One;
    QTest::newRow("odd bit without parity bit")
        << 0x23 << TransmissionMode::Ascii << 3 << Parity::None << StopBits::One;
    // Codes without a rate in the window's list are kept as they came.
    QTest::newRow("code 9, 57600")
        << 0x09 << TransmissionMode::Ascii << 9 << Parity::None << StopBits::One;
    QTest::newRow("code 0") << 0x10 << TransmissionMode::Ascii << 0 << Parity::None
                            << StopBits::Two;
    QTest::newRow("code 15") << 0x8F << TransmissionMode::Rtu << 15 << Parity::None
                             << StopBits::One;
}

void TestConfigImage::unpackLinkByte()
{
    QFETCH(int, linkByte);
    QFETCH(TransmissionMode, mode);
    QFETCH(int, baudCode);
    QFETCH(Parity, parity);
    QFETCH(StopBits, stopBits);
    LinkSettings link;
    ::unpackLinkByte(link, quint8(linkByte));
    QCOMPARE(link.transmissionMode, mode);
    QCOMPARE(link.baudCode, std::optional<quint8>(quint8(baudCode)));
    QCOMPARE(link.parity, parity);
    QCOMPARE(link.stopBits, stopBits);
    // Packed again, the same byte whatever its rate: bit 5 alone is the one
    // bit that does not survive.
    QCOMPARE(int(::packLinkByte(link)), (linkByte & 0x40) ? linkByte : linkByte & ~0x20);
}

void TestConfigImage::wiringByteKeptUntilClicked()
{
    Session s;
    QByteArray image = QByteArray::fromHex("05012C55023000");
    image.truncate(6);
    QVERIFY(ConfigImage::applyImage(image, s.link, s.table));
    QCOMPARE(s.link.wiringChoice, WiringChoice::FourWire);
    QCOMPARE(s.link.wiringByte, quint8(0x30));
    QCOMPARE(quint8(ConfigImage::buildImage(s)[5]), quint8(0x30));
}

void TestConfigImage::applyImageFillsListAndSettings()
{
    Session s;
    QVERIFY(buildRegisterTable(s.table, 401, s.configFileName));
    s.deviceId = 401;
    const QByteArray calibrationBefore = s.table.row(40).coefficient;
    setLink(s, TransmissionMode::Rtu, 9600, Parity::Even, StopBits::Two);
    s.link.deviceAddress = 33;
    s.link.cellSize = 2;
    s.link.wiringByte = 0x20;
    QByteArray image = ConfigImage::buildImage(s);
    // As a device would report it: its address at offset 0, then the ID.
    image[0] = char(33);
    image[1] = char(0x01);
    image[2] = char(0x91);
    const LinkSettings sent = s.link;
    s.link = LinkSettings{};

    QVERIFY(ConfigImage::applyImage(image, s.link, s.table));
    LinkSettings expected = sent;
    expected.wiringChoice = WiringChoice::ThreeWire;
    QCOMPARE(s.link, expected);
    QCOMPARE(shown(s, 30, Column::Address), QByteArray("0x001E"));
    QCOMPARE(shown(s, 30, Column::Coefficient), QByteArray("1.000"));
    QCOMPARE(shown(s, 36, Column::Size), QByteArray("5"));
    QCOMPARE(shown(s, 0, Column::Coefficient), QByteArray("5000"));
    // Calibration rows are never read out of an image.
    QCOMPARE(s.table.row(40).coefficient, calibrationBefore);
}

void TestConfigImage::applyImageKeepsDeviceAddresses()
{
    // A device with another cell size reports its own addresses; they are
    // shown as they are, not laid out again.
    Session s;
    QVERIFY(buildRegisterTable(s.table, 100, s.configFileName));
    s.table.setRow(3, "0x0040", "2", "5000");
    s.link.cellSize = 4;
    QByteArray image = ConfigImage::buildImage(s);
    s.link.cellSize = 1;
    QVERIFY(ConfigImage::applyImage(image, s.link, s.table));
    QCOMPARE(s.link.cellSize, quint8(4));
    QCOMPARE(shown(s, 3, Column::Address), QByteArray("0x0040"));
    QCOMPARE(shown(s, 4, Column::Address), QByteArray("0x0004"));
}

void TestConfigImage::shortImageChangesNothing()
{
    Session s;
    QVERIFY(buildRegisterTable(s.table, 100, s.configFileName));
    s.link.deviceAddress = 9;
    const QByteArray image = ConfigImage::buildImage(s);
    s.link.deviceAddress = 0;
    QVERIFY(!ConfigImage::applyImage(image.chopped(1), s.link, s.table));
    QVERIFY(!ConfigImage::applyImage(QByteArray(), s.link, s.table));
    QCOMPARE(s.link.deviceAddress, quint8(0));
    QCOMPARE(shown(s, 0, Column::Address), QByteArray("0x0000"));
}

QTEST_GUILESS_MAIN(TestConfigImage)
#include "tst_config_image.moc"
