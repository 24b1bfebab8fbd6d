#include "modbus_ascii.h"
#include "serial_port.h"
#include "sim_process.h"
#include "transducer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <csignal>
#include <sys/stat.h>

using namespace ModbusAscii;
using Outcome = ParsedReply::Outcome;

namespace {

// Sends a request and gathers what arrives until a frame ends or time runs out.
QByteArray exchange(SerialPort &port, const QByteArray &request, int timeoutMs)
{
    port.write(request);
    QByteArray reply;
    std::array<char, 1000> buffer{};
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs && !reply.endsWith('\n')) {
        QTest::qWait(5);
        reply.append(buffer.data(), port.readAvailable(buffer));
    }
    return reply;
}

// A model 100 answering at once, its terminal open on port.
bool startModel100(SimProcess &sim, SerialPort &port)
{
    return sim.start({"--model", "100", "--no-pacing"}) && port.open(sim.devicePath);
}

QByteArray echoImage(const QByteArray &replyBytes)
{
    QByteArray echo = replyBytes.mid(2);
    echo.insert(2, replyBytes[0]);
    return echo;
}

} // namespace

class TestVxnSim : public QObject
{
    Q_OBJECT

private slots:
    void helpNamesEveryFault();
    void configThatIsNoRegularFile_data();
    void configThatIsNoRegularFile();
    void identificationThenRead();
    void writeIsEchoed();
    void faults_data();
    void faults();
    void lineBehaviours_data();
    void lineBehaviours();
    void commandLinesAreBounded();
    void repliesArriveAtLinePace();
    void lateReplyComesAfterTheWindow();
    void programClosesPortOnTermination();
    void killedClientLeavesUsableLine();
    void stopRemovesLink();
    void linkNeverReplacesAUsersFile_data();
    void linkNeverReplacesAUsersFile();
    void stopLeavesALinkItDidNotMake();
    void portReopensWhenTransducerIsBack();
};

void TestVxnSim::helpNamesEveryFault()
{
    QProcess help;
    help.start(QStringLiteral(VXN_SIM_PATH), {"--help"});
    QVERIFY(help.waitForFinished(5000));
    const QByteArray text = help.readAllStandardOutput();
    for (const QString &word : QStringList{"--model", "--link", "--fault", "--no-pacing",
                                           "--adapter-echo", "echo on"} +
                                   faultNames())
        QVERIFY2(text.contains(word.toLatin1()), qPrintable(word));
}

void TestVxnSim::configThatIsNoRegularFile_data()
{
    QTest::addColumn<QString>("path"); // "fifo": a FIFO made for the test
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("/dev/zero") << "/dev/zero";
    QTest::newRow("a folder") << "/tmp";
}

void TestVxnSim::configThatIsNoRegularFile()
{
    // Refused at once with a message, not waited on or read without end.
    QFETCH(QString, path);
    QTemporaryDir dir;
    if (path == "fifo") {
        path = dir.filePath("config.dat");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    QProcess sim;
    sim.start(QStringLiteral(VXN_SIM_PATH), {"--config", path});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().contains("not a readable regular file"));
}

void TestVxnSim::identificationThenRead()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    SerialPort port;
    QVERIFY(port.open(sim.devicePath));
    QVERIFY(port.configure(PortModeString));

    const ParsedReply id = parseReply(exchange(port, buildReadConfigRequest(0), 1000));
    QCOMPARE(id.outcome, Outcome::Bytes);
    QCOMPARE(id.bytes.mid(1), QByteArray::fromHex("E40191"));

    const QByteArray text = exchange(port, buildReadConfigRequest(401), 2000);
    QCOMPARE(text.size(), 571);
    const ParsedReply read = parseReply(text);
    QCOMPARE(read.outcome, Outcome::Bytes);
    QCOMPARE(quint8(read.bytes[1]), quint8(ReadConfig));
    QCOMPARE(read.bytes.mid(2, 2), QByteArray::fromHex("0191"));
    QVERIFY(sim.log().contains("<- :0064019"
                               "10A\\r\\n"));
}

void TestVxnSim::writeIsEchoed()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "100", "--no-pacing"}));
    SerialPort port;
    QVERIFY(port.open(sim.devicePath));
    const ParsedReply read = parseReply(exchange(port, buildReadConfigRequest(100), 1000));
    QCOMPARE(read.outcome, Outcome::Bytes);
    QByteArray image = echoImage(read.bytes);
    QCOMPARE(image.size(), 126);
    image[2] = char(33);
    image[image.size() - 4] = char(0x02);

    const ParsedReply echo = parseReply(exchange(port, buildWriteConfigRequest(image), 4000));
    QCOMPARE(echo.outcome, Outcome::Bytes);
    QCOMPARE(quint8(echo.bytes[1]), quint8(WriteConfig));
    QCOMPARE(echoImage(echo.bytes), image);

    // Another device ID is answered with the transducer's own.
    QByteArray foreign = image;
    foreign[1] = char(200);
    const ParsedReply refused = parseReply(exchange(port, buildWriteConfigRequest(foreign), 4000));
    QCOMPARE(refused.bytes.mid(1), QByteArray::fromHex("E50064"));
}

void TestVxnSim::faults_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<bool>("echoMatches");
    QTest::newRow("silent") << QByteArray("silent") << false << Outcome::NoReply << false;
    QTest::newRow("truncated") << QByteArray("truncated") << false << Outcome::ReceptionError
                               << false;
    QTest::newRow("bad-lrc") << QByteArray("bad-lrc") << false << Outcome::ReceptionError << false;
    QTest::newRow("lowercase") << QByteArray("lowercase") << false << Outcome::ReceptionError
                               << false;
    QTest::newRow("noise") << QByteArray("noise") << false << Outcome::ReceptionError << false;
    QTest::newRow("echo-changed") << QByteArray("echo-changed") << true << Outcome::Bytes << false;
    QTest::newRow("echo-address") << QByteArray("echo-address") << true << Outcome::Bytes << false;
    QTest::newRow("none, write") << QByteArray("none") << true << Outcome::Bytes << true;
    QTest::newRow("other-id") << QByteArray("other-id") << false << Outcome::Bytes << false;
}

void TestVxnSim::faults()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, write);
    QFETCH(Outcome, outcome);
    QFETCH(bool, echoMatches);
    SimProcess sim;
    SerialPort port;
    QVERIFY(startModel100(sim, port));
    const QByteArray image =
        echoImage(parseReply(exchange(port, buildReadConfigRequest(100), 1000)).bytes);
    QCOMPARE(image.size(), 126);

    // Switched while it runs, through its standard input.
    sim.command("fault " + fault);
    QTRY_VERIFY(sim.log().contains("fault " + fault));
    const QByteArray request = write ? buildWriteConfigRequest(image) : buildReadConfigRequest(100);
    const ParsedReply reply = parseReply(exchange(port, request, 1000));
    QCOMPARE(reply.outcome, outcome);
    if (write)
        QCOMPARE(echoImage(reply.bytes) == image, echoMatches);
    if (fault == "other-id")
        QCOMPARE(reply.bytes.mid(1), QByteArray::fromHex("E40096"));
}

void TestVxnSim::lineBehaviours_data()
{
    // What a read request brings back, made of the request, the plain reply
    // and another device's frame.
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected"); // R request, A answer, F foreign frame
    QTest::newRow("repeat") << QByteArray("fault repeat") << QByteArray("AA");
    QTest::newRow("foreign") << QByteArray("fault foreign") << QByteArray("FA");
    QTest::newRow("adapter echo") << QByteArray("echo on") << QByteArray("RA");
}

void TestVxnSim::lineBehaviours()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    SimProcess sim;
    SerialPort port;
    QVERIFY(startModel100(sim, port));
    const QByteArray request = buildReadConfigRequest(100);
    const QByteArray answer = exchange(port, request, 1000);
    QVERIFY(parseReply(answer).outcome == Outcome::Bytes);
    sim.command(command);
    QVERIFY(!sim.image().isEmpty());

    port.write(request);
    QByteArray arrived;
    std::array<char, 1000> buffer{};
    for (int i = 0; i < 40; ++i) {
        QTest::qWait(10);
        arrived.append(buffer.data(), port.readAvailable(buffer));
    }
    QByteArray want;
    for (const char part : expected)
        want += part == 'R' ? request : part == 'A' ? answer : Transducer::foreignFrame();
    QCOMPARE(arrived, want);
}

void TestVxnSim::commandLinesAreBounded()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "100"}));
    sim.command(QByteArray(5000, 'x'));
    sim.command(QByteArray("ab\0cd", 5));
    QVERIFY(!sim.image().isEmpty());
    const QByteArray log = sim.log();
    QVERIFY(log.contains("command longer than 4096 characters"));
    QVERIFY(log.contains("unknown command \"" + QByteArray(4096, 'x') + "\""));
    QVERIFY(log.contains("unknown command \"ab\\x00cd\""));
}

void TestVxnSim::repliesArriveAtLinePace()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    SerialPort port;
    QVERIFY(port.open(sim.devicePath));
    std::array<char, 1000> buffer{};
    port.write(buildReadConfigRequest(401));
    // 571 characters take about 0.6 s at 9600 baud; early on only part is there.
    QTest::qWait(150);
    QByteArray early(buffer.data(), port.readAvailable(std::span(buffer.data(), 1000)));
    QVERIFY(!early.isEmpty());
    QVERIFY(early.size() < 571);
    QVERIFY(parseReply(early).outcome == Outcome::ReceptionError);
    QTest::qWait(900);
    early.append(buffer.data(), port.readAvailable(std::span(buffer.data(), 1000)));
    QCOMPARE(early.size(), 571);
    QCOMPARE(parseReply(early).outcome, Outcome::Bytes);
}

void TestVxnSim::lateReplyComesAfterTheWindow()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "100", "--no-pacing", "--fault", "late"}));
    SerialPort port;
    QVERIFY(port.open(sim.devicePath));
    QCOMPARE(exchange(port, buildReadConfigRequest(100), 1000), QByteArray());
    std::array<char, 1000> buffer{};
    QByteArray late;
    QTRY_VERIFY_WITH_TIMEOUT(
        (late.append(buffer.data(), port.readAvailable(std::span(buffer.data(), 1000))),
         late.endsWith('\n')),
        3000);
    QCOMPARE(parseReply(late).outcome, Outcome::Bytes);
}

void TestVxnSim::programClosesPortOnTermination()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "100"}));
    QProcess holder;
    holder.start(QStringLiteral(PORT_HOLDER_PATH), {sim.devicePath});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("open"));
    ::kill(pid_t(holder.processId()), SIGTERM);
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY(holder.readAll().contains("closed"));
    SerialPort port;
    QVERIFY(port.open(sim.devicePath));
}

void TestVxnSim::killedClientLeavesUsableLine()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "200", "--no-pacing"}));
    QProcess holder;
    holder.start(QStringLiteral(PORT_HOLDER_PATH), {sim.devicePath});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("open"));
    QTRY_VERIFY(sim.log().contains("client opened the line"));
    holder.kill();
    QVERIFY(holder.waitForFinished(5000));
    QTRY_VERIFY(sim.log().contains("client closed the line"));

    SerialPort port;
    QTRY_VERIFY(port.open(sim.devicePath));
    QVERIFY(port.configure(PortModeString));
    const ParsedReply id = parseReply(exchange(port, buildReadConfigRequest(0), 1000));
    QCOMPARE(id.bytes.mid(1), QByteArray::fromHex("E400C8"));
}

void TestVxnSim::stopRemovesLink()
{
    const QString link = QDir::temp().filePath(QStringLiteral("vxn-sim-test-%1").arg(getpid()));
    SimProcess sim;
    QVERIFY(sim.start({"--model", "300", "--link", link}));
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath);
    SerialPort port;
    QVERIFY(port.open(link));
    QCOMPARE(parseReply(exchange(port, buildReadConfigRequest(0), 1000)).bytes.mid(1),
             QByteArray::fromHex("E4012C"));
    port.close();
    sim.stop();
    QCOMPARE(sim.process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestVxnSim::linkNeverReplacesAUsersFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QByteArray>("refusal");
    QTest::newRow("a file") << "file" << QByteArray("not a symbolic link");
    QTest::newRow("a folder") << "folder" << QByteArray("not a symbolic link");
    QTest::newRow("a link to a folder")
        << "link" << QByteArray("symbolic link to something other than a terminal");
    QTest::newRow("in a folder that does not exist")
        << "nowhere" << QByteArray("in a folder that does not exist");
}

void TestVxnSim::linkNeverReplacesAUsersFile()
{
    QFETCH(QString, what);
    QFETCH(QByteArray, refusal);
    QTemporaryDir dir;
    QString path = dir.filePath("mine");
    if (what == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("mine"));
    } else if (what == "link") {
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY(QFile::link(dir.filePath("folder"), path));
    } else if (what == "nowhere") {
        path = dir.filePath("absent/vxn");
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the user's own");
    }
    QProcess sim;
    sim.start(QStringLiteral(VXN_SIM_PATH), {"--link", path});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().contains(refusal));
    if (what == "link")
        QCOMPARE(QFileInfo(path).symLinkTarget(), dir.filePath("folder"));
    else
        QVERIFY(!QFileInfo(path).isSymLink());
    if (what == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("the user's own"));
    }
}

void TestVxnSim::stopLeavesALinkItDidNotMake()
{
    // Someone points the link elsewhere while the simulator runs: it stays.
    QTemporaryDir dir;
    const QString link = dir.filePath("vxn");
    const QString elsewhere = dir.filePath("elsewhere");
    SimProcess sim;
    QVERIFY(sim.start({"--model", "300", "--link", link}));
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(elsewhere, link));
    sim.stop();
    QCOMPARE(sim.process.exitCode(), 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), elsewhere);

    // A stale link of an earlier simulator, leading to its terminal, is taken
    // over, and removed at the end.
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(sim.devicePath, link));
    SimProcess again;
    QVERIFY(again.start({"--model", "300", "--link", link}));
    QTRY_COMPARE(QFileInfo(link).symLinkTarget(), again.devicePath);
    again.stop();
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestVxnSim::portReopensWhenTransducerIsBack()
{
    const QString link = QDir::temp().filePath(QStringLiteral("vxn-sim-back-%1").arg(getpid()));
    SerialPort port;
    {
        SimProcess sim;
        QVERIFY(sim.start({"--model", "100", "--no-pacing", "--link", link}));
        QTRY_VERIFY(QFileInfo(link).isSymLink());
        QVERIFY(port.open(link));
    }
    // The transducer's side is gone: the port closes itself instead of
    // reporting the error over and over.
    std::array<char, 1000> buffer{};
    QCOMPARE(port.readAvailable(std::span(buffer.data(), 1000)), 0);
    QTRY_VERIFY(!port.isOpen());
    QVERIFY(!port.write(buildReadConfigRequest(0)));

    SimProcess again;
    QVERIFY(again.start({"--model", "100", "--no-pacing", "--link", link}));
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    QVERIFY(port.open(link));
    QCOMPARE(parseReply(exchange(port, buildReadConfigRequest(0), 1000)).bytes.mid(1),
             QByteArray::fromHex("E40064"));
}

QTEST_GUILESS_MAIN(TestVxnSim)
#include "tst_vxn_sim.moc"
