#include "config_image.h"
#include "cp1251.h"
#include "exchange_fixture.h"

#include <QTest>

using Choice = LinkFields::Choice;

namespace {

void setLink(ExchangeFixture &f, TransmissionMode mode, const QString &baud, const QString &parity,
             const QString &stopBits)
{
    f.link.settings.transmissionMode = mode;
    f.fields.select(Choice::BaudRate, baud);
    f.fields.select(Choice::Parity, parity);
    f.fields.select(Choice::StopBits, stopBits);
}

// A table of one listed row and one calibration row.
void oneRow(ExchangeFixture &f, const QByteArray &name, const QByteArray &address,
            const QByteArray &coefficient)
{
    f.table.append({name, address, "2", coefficient, RegisterKind::Parameter});
    f.table.append({"Cal", "0xFF00", "1", "5000", RegisterKind::Calibration});
}

} // namespace

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
    ExchangeFixture f;
    buildRegisterTable(f.table, deviceId, f.configFileName);
    QCOMPARE(ConfigImage::buildImage(deviceId, f.link, f.table).size(), bytes);
}

void TestConfigImage::imageLayout()
{
    ExchangeFixture f;
    setLink(f, TransmissionMode::Ascii, "9600", "ЧЕТ", "2");
    f.link.settings.deviceAddress = 7;
    f.link.settings.cellSize = 2;
    f.link.settings.wiringByte = 0x20;
    f.table.append({"P0", "0x001E ", "2", "5000", RegisterKind::Parameter});
    f.table.append({"P1", "0x0020", "5", "2500", RegisterKind::Parameter});
    f.table.append({"Cal", "0xFF11", "1", "5000", RegisterKind::Calibration});
    const QByteArray image = ConfigImage::buildImage(401, f.link, f.table);
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
    ExchangeFixture f;
    oneRow(f, name, "0x0000", kText);
    QByteArray image = ConfigImage::buildImage(300, f.link, f.table);
    QCOMPARE(image.size(), 18);
    QCOMPARE(image.mid(10, 3).toHex().toUpper(), bytes);

    // The same bytes from a device show as the K text the device holds.
    QVERIFY(ConfigImage::applyImage(image, f.link, f.table));
    QCOMPARE(f.list.text(0, RegisterList::CoefficientColumn), readBack);
    QCOMPARE(f.list.text(0, RegisterList::SizeColumn), QByteArray("2"));
}

void TestConfigImage::packLinkByte_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<int>("linkByte");
    QTest::newRow("even, 2 stop, 9600, ASCII") << int(TransmissionMode::Ascii) << "9600"
                                               << "ЧЕТ"
                                               << "2" << 0x55;
    QTest::newRow("odd, 1 stop, 19200, RTU") << int(TransmissionMode::Rtu) << "19200"
                                             << "НЕЧЕТ"
                                             << "1" << 0xE7;
    QTest::newRow("none, 1 stop, 1200, ASCII") << int(TransmissionMode::Ascii) << "1200"
                                               << "НЕТ"
                                               << "1" << 0x02;
    QTest::newRow("everything unset") << int(TransmissionMode::Unset) << ""
                                      << ""
                                      << "" << 0xE0;
}

void TestConfigImage::packLinkByte()
{
    QFETCH(int, mode);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, stopBits);
    QFETCH(int, linkByte);
    ExchangeFixture f;
    setLink(f, TransmissionMode(mode), baud, parity, stopBits);
    QCOMPARE(int(ConfigImage::packLinkByte(f.link)), linkByte);
}

void TestConfigImage::unpackLinkByte_data()
{
    QTest::addColumn<int>("linkByte");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stopBits");
    QTest::newRow("0x55") << 0x55 << int(TransmissionMode::Ascii) << "9600"
                          << "ЧЕТ"
                          << "2";
    QTest::newRow("0xE7") << 0xE7 << int(TransmissionMode::Rtu) << "19200"
                          << "НЕЧЕТ"
                          << "1";
    QTest::newRow("odd bit without parity bit") << 0x23 << int(TransmissionMode::Ascii) << "2400"
                                                << "НЕТ"
                                                << "1";
    // 57600 is not offered: the list keeps its selection (4800 here).
    QTest::newRow("code 9") << 0x09 << int(TransmissionMode::Ascii) << "4800"
                            << "НЕТ"
                            << "1";
    QTest::newRow("code 0") << 0x10 << int(TransmissionMode::Ascii) << "4800"
                            << "НЕТ"
                            << "2";
    QTest::newRow("code 15") << 0x8F << int(TransmissionMode::Rtu) << "4800"
                             << "НЕТ"
                             << "1";
}

void TestConfigImage::unpackLinkByte()
{
    QFETCH(int, linkByte);
    QFETCH(int, mode);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, stopBits);
    ExchangeFixture f;
    setLink(f, TransmissionMode::Unset, "4800", "ЧЕТ", "2");
    ConfigImage::unpackLinkByte(f.link, quint8(linkByte));
    QCOMPARE(int(f.link.settings.transmissionMode), mode);
    QCOMPARE(f.fields.selectedText(Choice::BaudRate), baud);
    QCOMPARE(f.fields.selectedText(Choice::Parity), parity);
    QCOMPARE(f.fields.selectedText(Choice::StopBits), stopBits);
}

void TestConfigImage::wiringByteKeptUntilClicked()
{
    ExchangeFixture f;
    QByteArray image = QByteArray::fromHex("05012C55023000");
    image.truncate(6);
    QVERIFY(ConfigImage::applyImage(image, f.link, f.table));
    QCOMPARE(f.fields.wiringChoice(), WiringChoice::FourWire);
    QCOMPARE(f.link.settings.wiringByte, quint8(0x30));
    QCOMPARE(quint8(ConfigImage::buildImage(300, f.link, f.table)[5]), quint8(0x30));
    f.link.onFourWireClicked();
    QCOMPARE(quint8(ConfigImage::buildImage(300, f.link, f.table)[5]), quint8(0x10));
}

void TestConfigImage::applyImageFillsListAndSettings()
{
    ExchangeFixture f;
    QVERIFY(buildRegisterTable(f.table, 401, f.configFileName));
    const QByteArray calibrationBefore = f.table.text(4 * 40 + 3);
    setLink(f, TransmissionMode::Rtu, "9600", "ЧЕТ", "2");
    f.link.settings.deviceAddress = 33;
    f.link.settings.cellSize = 2;
    f.link.settings.wiringByte = 0x20;
    QByteArray image = ConfigImage::buildImage(401, f.link, f.table);
    // As a device would report it: its address at offset 0, then the ID.
    image[0] = char(33);
    image[1] = char(0x01);
    image[2] = char(0x91);
    f.link.settings = LinkSettings{};
    f.link.showFields();

    QVERIFY(ConfigImage::applyImage(image, f.link, f.table));
    QCOMPARE(f.link.settings.deviceAddress, quint8(33));
    QCOMPARE(f.fields.numericText(LinkFields::NumericField::DeviceAddress), QString("33"));
    QCOMPARE(f.link.settings.transmissionMode, TransmissionMode::Rtu);
    QCOMPARE(f.fields.transmissionMode(), TransmissionMode::Rtu);
    QCOMPARE(f.link.settings.cellSize, quint8(2));
    QCOMPARE(f.fields.wiringChoice(), WiringChoice::ThreeWire);
    QCOMPARE(f.columnText(30, RegisterList::AddressColumn), QString("0x001E"));
    QCOMPARE(f.columnText(30, RegisterList::CoefficientColumn), QString("1.000"));
    QCOMPARE(f.columnText(36, RegisterList::SizeColumn), QString("5"));
    QCOMPARE(f.columnText(0, RegisterList::CoefficientColumn), QString("5000"));
    // Calibration rows are never read out of an image.
    QCOMPARE(f.table.text(4 * 40 + 3), calibrationBefore);
}

void TestConfigImage::applyImageKeepsDeviceAddresses()
{
    // A device with another cell size than shown reports its own addresses;
    // they are shown as they are, not laid out again.
    ExchangeFixture f;
    QVERIFY(buildRegisterTable(f.table, 100, f.configFileName));
    f.table.setRow(3, "0x0040", "2", "5000");
    f.link.settings.cellSize = 4;
    QByteArray image = ConfigImage::buildImage(100, f.link, f.table);
    QCOMPARE(f.fields.numericText(LinkFields::NumericField::CellSize), QString("1"));
    QVERIFY(ConfigImage::applyImage(image, f.link, f.table));
    QCOMPARE(f.fields.numericText(LinkFields::NumericField::CellSize), QString("4"));
    QCOMPARE(f.columnText(3, RegisterList::AddressColumn), QString("0x0040"));
    QCOMPARE(f.columnText(4, RegisterList::AddressColumn), QString("0x0004"));
    // Later changes of the cell size lay them out as usual.
    f.fields.setNumericText(LinkFields::NumericField::CellSize, "2");
    QCOMPARE(f.columnText(3, RegisterList::AddressColumn), QString("0x0003 "));
}

void TestConfigImage::shortImageChangesNothing()
{
    ExchangeFixture f;
    QVERIFY(buildRegisterTable(f.table, 100, f.configFileName));
    const QByteArray image = ConfigImage::buildImage(100, f.link, f.table);
    QVERIFY(!ConfigImage::applyImage(image.chopped(1), f.link, f.table));
    QVERIFY(!ConfigImage::applyImage(QByteArray(), f.link, f.table));
    QCOMPARE(f.link.settings.deviceAddress, quint8(0));
    QCOMPARE(f.columnText(0, RegisterList::AddressColumn), QString("0x0000"));
}

QTEST_GUILESS_MAIN(TestConfigImage)
#include "tst_config_image.moc"
