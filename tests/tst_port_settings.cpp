#include "mode_string.h"
#include "port_names.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void parseModeString_data();
    void parseModeString();
    void malformedModeStrings_data();
    void malformedModeStrings();
    void orderSerialDevices_data();
    void orderSerialDevices();
    void comNamesFromEnvironment();
    void comNamesBeyondEight_data();
    void comNamesBeyondEight();
};

void TestPortSettings::parseModeString_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::newRow("the port's own")
        << "9600,N,7,2" << 9600 << int(LineParity::None) << 7 << int(LineStopBits::Two);
    QTest::newRow("blanks and odd word")
        << " 19200 , НЕЧЕТ , 8 , 2 " << 19200 << int(LineParity::Odd) << 8
        << int(LineStopBits::Two);
    QTest::newRow("even word, 1.5 stop") << "1200,ЧЕТ,5,1.5" << 1200 << int(LineParity::Even)
                                         << 5 << int(LineStopBits::OneAndHalf);
    QTest::newRow("none word") << "4800,НЕТ,8,1" << 4800 << int(LineParity::None) << 8
                               << int(LineStopBits::One);
    QTest::newRow("mark") << "9600,M,7,1" << 9600 << int(LineParity::Mark) << 7
                          << int(LineStopBits::One);
    QTest::newRow("space") << "9600,S,7,1" << 9600 << int(LineParity::Space) << 7
                           << int(LineStopBits::One);
    QTest::newRow("first letter counts")
        << "9600,Odd,8,1" << 9600 << int(LineParity::Odd) << 8 << int(LineStopBits::One);
}

void TestPortSettings::parseModeString()
{
    QFETCH(QString, mode);
    QFETCH(int, baudRate);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const auto settings = ::parseModeString(mode);
    QVERIFY(settings.has_value());
    QCOMPARE(settings->baudRate, baudRate);
    QCOMPARE(int(settings->parity), parity);
    QCOMPARE(int(settings->dataBits), dataBits);
    QCOMPARE(int(settings->stopBits), stopBits);
}

void TestPortSettings::malformedModeStrings_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("empty") << "";
    QTest::newRow("two commas") << "9600,N,7";
    QTest::newRow("unknown parity") << "9600,X,7,2";
    QTest::newRow("empty parity") << "9600,,7,2";
    QTest::newRow("lower-case parity") << "9600,n,7,2";
    QTest::newRow("stop bits 3") << "9600,N,7,3";
    QTest::newRow("stop bits empty") << "9600,N,7,";
    QTest::newRow("extra field") << "9600,N,7,2,1";
    QTest::newRow("rate not a number") << "fast,N,7,2";
    QTest::newRow("rate with junk") << "96x0,N,7,2";
    QTest::newRow("rate zero") << "0,N,7,2";
    QTest::newRow("negative rate") << "-9600,N,7,2";
    QTest::newRow("data bits not a number") << "9600,N,x,2";
    QTest::newRow("data bits two characters") << "9600,N,78,2";
    QTest::newRow("data bits 9") << "9600,N,9,2";
}

void TestPortSettings::malformedModeStrings()
{
    QFETCH(QString, mode);
    QVERIFY(!::parseModeString(mode).has_value());
}

void TestPortSettings::orderSerialDevices_data()
{
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QStringList>("ordered");
    QTest::newRow("USB first, numeric")
        << QStringList{"/dev/ttyS1", "/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyACM0"}
        << QStringList{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyS1"};
    QTest::newRow("numbers, not text") << QStringList{"/dev/ttyS10", "/dev/ttyS9", "/dev/ttyS2"}
                                       << QStringList{"/dev/ttyS2", "/dev/ttyS9", "/dev/ttyS10"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void TestPortSettings::orderSerialDevices()
{
    QFETCH(QStringList, found);
    QFETCH(QStringList, ordered);
    QCOMPARE(::orderSerialDevices(found), ordered);
}

void TestPortSettings::comNamesFromEnvironment()
{
#ifdef Q_OS_WIN
    // On Windows a COM name is the device itself, whatever its number.
    QCOMPARE(resolvePortName("COM23"), QString("COM23"));
    // A port SetupAPI does not know (any port under Wine) has no friendly
    // name, and the tooltip shows the device alone.
    QCOMPARE(friendlyName("COM23"), QString());
    QSKIP("OSTRIVAN_COMn and the by-id links are Linux's");
#endif
    QCOMPARE(comPortNames(),
             (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    qputenv("OSTRIVAN_COM3", "/tmp/line-of-com3");
    QCOMPARE(resolvePortName("COM3"), QString("/tmp/line-of-com3"));
    qputenv("OSTRIVAN_COM3", "adv2/vxn1");
    QCOMPARE(resolvePortName("COM3"), QDir::current().filePath("adv2/vxn1"));
    qunsetenv("OSTRIVAN_COM3");
    // Anything other than COM1 … COM8 is a device.
    QCOMPARE(resolvePortName("/dev/ttyUSB0"), QString("/dev/ttyUSB0"));
    QCOMPARE(resolvePortName("adv2/vxn1"), QDir::current().filePath("adv2/vxn1"));
    QCOMPARE(resolvePortName("ttyUSB1"), QString("/dev/ttyUSB1"));

    // One pass over the list enumerates the devices once, and not at all
    // when every name is mapped.
    int enumerations = 0;
    SerialDevices devices([&enumerations] {
        ++enumerations;
        return QStringList{"/dev/ttyS0", "/dev/ttyUSB0"};
    });
    QCOMPARE(devices.resolve("COM1"), QString("/dev/ttyUSB0"));
    for (const QString &name : comPortNames())
        devices.resolve(name);
    QCOMPARE(enumerations, 1);
    SerialDevices mapped([&enumerations] {
        ++enumerations;
        return QStringList();
    });
    for (int n = 1; n <= 8; ++n)
        qputenv(qPrintable(QString("OSTRIVAN_COM%1").arg(n)), "/tmp/x");
    for (const QString &name : comPortNames())
        QCOMPARE(mapped.resolve(name), QString("/tmp/x"));
    QCOMPARE(enumerations, 1);
    for (int n = 1; n <= 8; ++n)
        qunsetenv(qPrintable(QString("OSTRIVAN_COM%1").arg(n)));

    // The stable name: the by-id link that leads to the device, if any.
    QTemporaryDir byId;
    QFile device(byId.filePath("ttyUSB3"));
    QVERIFY(device.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(byId.filePath("ttyUSB3"), byId.filePath("usb-FTDI_RS485_A1-if00-port0")));
    QVERIFY(QFile::link(byId.filePath("ttyUSB9"), byId.filePath("usb-gone-if00-port0")));
    QCOMPARE(stableName(byId.filePath("ttyUSB3"), byId.path()),
             byId.filePath("usb-FTDI_RS485_A1-if00-port0"));
    // The list offers each adapter's link after the COM names, not a dead one.
    QCOMPARE(listedPortNames(byId.path()),
             comPortNames() << byId.filePath("usb-FTDI_RS485_A1-if00-port0"));
    QCOMPARE(stableName("/dev/null", byId.path()), QString());
    QCOMPARE(friendlyName("/dev/null"), QString());
    QCOMPARE(resolvePortName("COM9"), QString("/dev/COM9"));
}

void TestPortSettings::comNamesBeyondEight_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("none") << QStringList() << QStringList();
    QTest::newRow("only the first eight") << QStringList{"COM3", "COM1"} << QStringList();
    QTest::newRow("adapters above eight, in numeric order, once")
        << QStringList{"COM23", "COM3", "COM11", "COM23", "COM9"}
        << QStringList{"COM9", "COM11", "COM23"};
    QTest::newRow("no COM names") << QStringList{"\\Device\\Serial0", "COM", "com12", "COM0"}
                                  << QStringList();
}

void TestPortSettings::comNamesBeyondEight()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, after);
    QStringList expected{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"};
    QCOMPARE(withFirstComNames(system), expected << after);
}

QTEST_APPLESS_MAIN(TestPortSettings)
#include "tst_port_settings.moc"
