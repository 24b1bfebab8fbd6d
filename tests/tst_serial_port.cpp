#include "pty_pair.h"
#include "serial_port.h"

#include <QTest>
#include <array>

namespace {

// Gives the kernel time to move bytes across the pseudo-terminal; the port
// itself is not given an event-loop pass.
void letBytesArrive()
{
    ::usleep(50 * 1000);
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void openIsExclusive();
    void missingDeviceFailsQuietly();
    void configureOnPseudoTerminal();
    void malformedModeChangesNothing();
    void writeReachesTheOtherEnd();
    void readOfEmptyQueueGivesZero();
    void readTakesExactlyWhatIsQueued_data();
    void readTakesExactlyWhatIsQueued();
    void readNeverPassesTheBuffer();
    void vanishedDeviceClosesThePort();
    void comNameOpensMappedDevice();
};

void TestSerialPort::openIsExclusive()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    SerialPort first;
    QVERIFY(first.open(pty.slavePath));
    QVERIFY(first.isOpen());
    SerialPort second;
    QVERIFY(!second.open(pty.slavePath));
    QVERIFY(!second.isOpen());
    first.close();
    QVERIFY(second.open(pty.slavePath));
}

void TestSerialPort::missingDeviceFailsQuietly()
{
    SerialPort port;
    QVERIFY(!port.open("/dev/ostrivan-no-such-device"));
    QVERIFY(!port.configure(PortModeString));
    QVERIFY(!port.write(":006400009C\r\n"));
    std::array<char, 16> buffer{};
    QCOMPARE(port.readAvailable(buffer), 0);
}

void TestSerialPort::configureOnPseudoTerminal()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    // The terminal cannot hold 7 data bits, parity or modem lines; the rate
    // and stop bits apply, and the port says what it left out.
    QVERIFY(port.configure(PortModeString));
    QVERIFY(port.settingsShortfall().startsWith("псевдотерминал: 7 бит данных"));
    QVERIFY(port.configure("19200,E,8,1"));
}

void TestSerialPort::malformedModeChangesNothing()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    QVERIFY(port.configure("19200,N,8,1"));
    QVERIFY(!port.configure("9600,N,7"));
    QVERIFY(!port.configure("9600,X,7,2"));
    // Still usable, and still at the settings applied before.
    QVERIFY(port.write("ping"));
    QCOMPARE(pty.receive(4, 1000), QByteArray("ping"));
}

void TestSerialPort::writeReachesTheOtherEnd()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    QVERIFY(port.configure(PortModeString));
    const QByteArray frame(":006400009C\r\n");
    QVERIFY(port.write(frame));
    QCOMPARE(pty.receive(frame.size(), 1000), frame);

    // A long frame is taken whole without waiting for the line.
    const QByteArray longFrame = ":" + QByteArray(571, 'A') + "\r\n";
    QVERIFY(port.write(longFrame));
    QByteArray arrived;
    for (int i = 0; i < 100 && arrived.size() < longFrame.size(); ++i) {
        QCoreApplication::processEvents();
        arrived += pty.receive(longFrame.size() - arrived.size(), 10);
    }
    QCOMPARE(arrived, longFrame);
}

void TestSerialPort::readOfEmptyQueueGivesZero()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    std::array<char, 1000> buffer{};
    QCOMPARE(port.readAvailable(buffer), 0);
    QVERIFY(port.isOpen());
}

void TestSerialPort::readTakesExactlyWhatIsQueued_data()
{
    QTest::addColumn<QByteArray>("queued");
    QTest::newRow("short reply") << QByteArray(":05E4012CEA\r\n");
    QTest::newRow("largest reply") << ":" + QByteArray(568, '7') + "\r\n";
    QTest::newRow("partial reply") << QByteArray(":0564012C45");
}

void TestSerialPort::readTakesExactlyWhatIsQueued()
{
    QFETCH(QByteArray, queued);
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    pty.send(queued);
    letBytesArrive();
    // No event-loop pass in between: the read itself must fetch the bytes.
    std::array<char, 1000> buffer{};
    const qsizetype count = port.readAvailable(buffer);
    QCOMPARE(QByteArray(buffer.data(), count), queued);
    QCOMPARE(port.readAvailable(buffer), 0);
}

void TestSerialPort::readNeverPassesTheBuffer()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    QByteArray flood(1500, 'x');
    for (int i = 0; i < flood.size(); ++i)
        flood[i] = char('a' + i % 26);
    pty.send(flood);
    letBytesArrive();
    // A guard byte after the buffer shows any write past its end.
    std::array<char, 1001> buffer{};
    buffer[1000] = '#';
    QCOMPARE(port.readAvailable(std::span(buffer.data(), 1000)), 1000);
    QCOMPARE(QByteArray(buffer.data(), 1000), flood.left(1000));
    QCOMPARE(buffer[1000], '#');
    // The rest waits for the next read: nothing is dropped unsaid.
    QCOMPARE(port.readAvailable(std::span(buffer.data(), 1000)), 500);
    QCOMPARE(QByteArray(buffer.data(), 500), flood.mid(1000));
    QCOMPARE(port.readAvailable(std::span(buffer.data(), 1000)), 0);
}

void TestSerialPort::vanishedDeviceClosesThePort()
{
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath));
    pty.closeMaster();
    std::array<char, 1000> buffer{};
    QCOMPARE(port.readAvailable(buffer), 0);
    // The close is queued; one event-loop pass carries it out.
    QTRY_VERIFY_WITH_TIMEOUT(!port.isOpen(), 2000);
    QVERIFY(!port.write(":006400009C\r\n"));
    QCOMPARE(port.readAvailable(buffer), 0);
    // Many more event-loop passes: nothing is reported again, nothing crashes.
    QTest::qWait(100);
    QVERIFY(!port.isOpen());
}

void TestSerialPort::comNameOpensMappedDevice()
{
    PtyPair pty;
    qputenv("OSTRIVAN_COM2", pty.slavePath.toLocal8Bit());
    SerialPort port;
    QVERIFY(port.open("COM2"));
    QCOMPARE(port.location(), pty.slavePath);
    qunsetenv("OSTRIVAN_COM2");
    QVERIFY(port.write("x"));
    QCOMPARE(pty.receive(1, 1000), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
