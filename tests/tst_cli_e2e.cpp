// ostrivan-cli against the simulated transducer: every command, its output,
// its refusals and its exit codes.

#include "config_store.h"
#include "cp1251.h"
#include "device_models.h"
#include "file_chooser.h"
#include "main_window_fixture.h"
#include "pty_pair.h"
#include "session.h"
#include "sim_process.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(OSTRIVAN_CLI_PATH), arguments);
    Run run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of a configuration file with one change made to it.
QString changedCopy(const QString &from, const QString &to,
                    const std::function<void(Session &)> &change)
{
    const ConfigStore::LoadResult loaded = ConfigStore::load(from);
    Session session;
    ConfigStore::applyConfiguration(session, loaded.configuration);
    change(session);
    if (ConfigStore::save(to, ConfigStore::configurationOf(session)).status !=
        ConfigStore::SaveResult::Status::Saved)
        return QString();
    return to;
}

int frequencyRow(const Session &session)
{
    for (int r = 0; r < session.table.rowCount(); ++r) {
        if (session.table.row(r).name == toCp1251(u"Частота (f)"))
            return r;
    }
    return -1;
}

} // namespace

class TestCliEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readMatchesTheWindowsSave();
    void writeThenReadBack();
    void diff();
    void jsonForScripts_data();
    void jsonForScripts();
    void show();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void faults_data();
    void faults();
    void lineThatCarriesMore_data();
    void lineThatCarriesMore();
    void scan_data();
    void scan();
    void commission_data();
    void commission();
    void reportOfTheJournal();
    void commandLineAnswers_data();
    void commandLineAnswers();
    void interruptEndsAtOnce();
    void usageAndFiles_data();
    void usageAndFiles();
    void filesThatAreNoFiles_data();
    void filesThatAreNoFiles();
    void outputAndNames_data();
    void outputAndNames();

private:
    QTemporaryDir dir;
    SimProcess sim;
    QString reference; // the simulator's configuration, read once
    QString journal;   // every commission run appends here
};

void TestCliEndToEnd::initTestCase()
{
    QVERIFY(sim.start({"--model", "401"}));
    reference = dir.filePath("reference.dat");
    const Run read = cli({"--port", sim.devicePath, "read", "-o", reference});
    QCOMPARE(read.code, 0);
}

void TestCliEndToEnd::readMatchesTheWindowsSave()
{
    // Text: the link settings, then the list's rows.
    const Run text = cli({"--port", sim.devicePath, "read"});
    QCOMPARE(text.code, 0);
    QVERIFY(text.out.contains(QRegularExpression("ID устройства: +401\n")));
    QVERIFY(text.out.contains(QRegularExpression("Четность: +ЧЕТ\n")));
    QVERIFY(text.out.contains(QRegularExpression("Частота \\(f\\) +0x001E +2 +1.500\n")));
    QVERIFY(text.err.isEmpty());

    const Run json = cli({"--port", sim.devicePath, "read", "--json"});
    QCOMPARE(json.code, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(object["deviceId"].toInt(), 401);
    QCOMPARE(object["deviceAddress"].toInt(), 5);
    QCOMPARE(object["cellSize"].toInt(), 2);
    QCOMPARE(object["transmissionMode"].toString(), QString("ASCII"));
    QCOMPARE(object["baudRate"].toInt(), 9600);
    QCOMPARE(object["parity"].toString(), QString("even"));
    QCOMPARE(object["stopBits"].toInt(), 1);
    QCOMPARE(object["wiring"].toString(), QString("3-wire"));
    const QJsonArray registers = object["registers"].toArray();
    QCOMPARE(registers.size(), 46);
    QCOMPARE(registers[30].toObject()["name"].toString(), QString("Частота (f)"));
    QCOMPARE(registers[30].toObject()["address"].toInt(), 30);
    QCOMPARE(registers[30].toObject()["coefficient"].toString(), QString("1.500"));
    QCOMPARE(registers[40].toObject()["kind"].toString(), QString("calibration"));

    // -o writes what the window's Save writes after the same read.
    struct OneFile : FileChooser
    {
        std::optional<QString> openFileName() override { return path; }
        std::optional<QString> saveFileName() override { return path; }
        QString path;
    } chooser;
    chooser.path = dir.filePath("window.dat");
    ShownWindow w({sim.devicePath}, &chooser);
    QVERIFY(w.ready());
    w.ui().read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);
    w.ui().save->click();
    QVERIFY(w.messages.shown.isEmpty());
    w.dialog.reset();
    QCOMPARE(fileBytes(reference), fileBytes(chooser.path));
}

void TestCliEndToEnd::writeThenReadBack()
{
    const Run plain = cli({"--port", sim.devicePath, "write", reference});
    QCOMPARE(plain.code, 0);
    QVERIFY2(plain.err.isEmpty(), qPrintable(plain.err));

    const Run addressed = cli({"--port", sim.devicePath, "write", reference, "--address", "17"});
    QCOMPARE(addressed.code, 0);
    const Run json = cli({"--port", sim.devicePath, "read", "--json"});
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object()["deviceAddress"].toInt(), 17);

    QCOMPARE(cli({"--port", sim.devicePath, "write", reference}).code, 0);
    const Run back = cli({"--port", sim.devicePath, "read", "--json"});
    QCOMPARE(QJsonDocument::fromJson(back.out.toUtf8()).object()["deviceAddress"].toInt(), 5);
}

void TestCliEndToEnd::diff()
{
    const Run same = cli({"--port", sim.devicePath, "diff", reference});
    QCOMPARE(same.code, 0);
    QVERIFY(same.out.isEmpty());

    const QString coefficient = changedCopy(reference, dir.filePath("k.dat"), [](Session &s) {
        const RegisterEntry row = s.table.row(2);
        s.table.setRow(2, row.address, row.size, "3000");
    });
    const Run one = cli({"--port", sim.devicePath, "diff", coefficient});
    QCOMPARE(one.code, 1);
    QCOMPARE(one.out.split('\n', Qt::SkipEmptyParts),
             QStringList{"Регистр \"Действующее значение напряжения фазы C (Uc)\", K1(K2): "
                         "файл 3000, устройство 4000"});

    const QString baud = changedCopy(reference, dir.filePath("baud.dat"),
                                     [](Session &s) { s.link.baudCode = baudCodeOfRate(19200); });
    const Run rate = cli({"--port", sim.devicePath, "diff", baud});
    QCOMPARE(rate.code, 1);
    QCOMPARE(rate.out.split('\n', Qt::SkipEmptyParts),
             QStringList{"Скорость, бод: файл 19200, устройство 9600"});
}

void TestCliEndToEnd::jsonForScripts_data()
{
    // {ref} is the reference, {k} the copy diff made with one coefficient changed.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // the field's value, as compact JSON
    QTest::newRow("identify") << QStringList{"identify"} << 0 << "deviceId"
                              << "401";
    QTest::newRow("write") << QStringList{"write", "{ref}"} << 0 << "echo"
                           << "\"same\"";
    QTest::newRow("diff") << QStringList{"diff", "{k}"} << 1 << "same"
                          << "false";
    QTest::newRow("commission") << QStringList{"commission", "{ref}"} << 0 << "result"
                                << "\"commissioned\"";
    QTest::newRow("commission of a numbered unit")
        << QStringList{"commission", "{ref}", "--unit", "A-17"} << 0 << "unit"
        << "\"A-17\"";
}

void TestCliEndToEnd::jsonForScripts()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, field);
    QFETCH(QString, value);
    arguments.replaceInStrings("{ref}", reference).replaceInStrings("{k}", dir.filePath("k.dat"));
    const Run run = cli(QStringList{"--port", sim.devicePath} + arguments + QStringList{"--json"});
    QCOMPARE(run.code, code);
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(QJsonDocument(QJsonArray{object[field]}).toJson(QJsonDocument::Compact),
             ('[' + value + ']').toUtf8());
}

void TestCliEndToEnd::show()
{
    const Run text = cli({"show", reference});
    QCOMPARE(text.code, 0);
    QVERIFY(text.out.contains(QRegularExpression("Адрес устройства: +5\n")));
    QVERIFY(text.out.contains("Блок настройки"));
    const Run json = cli({"show", reference, "--json"});
    QCOMPARE(json.code, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object()["registers"].toArray().size(), 46);

    // A device ID beyond 16 bits is shown as the file stores it.
    const QString wide =
        changedCopy(reference, dir.filePath("wide.dat"), [](Session &s) { s.deviceId = -1; });
    QVERIFY(cli({"show", wide}).out.contains(QRegularExpression("ID устройства: +4294967295\n")));
}

void TestCliEndToEnd::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("unset baud rate") << "baud"
                                     << "Не задана скорость передачи";
    QTest::newRow("300 on the frequency") << "frequency"
                                          << "Недопустимый коэффициент регистра \"Частота (f)\"";
    QTest::newRow("2000000 on an ordinary row")
        << "ordinary"
        << "Недопустимый коэффициент регистра \"Действующее значение напряжения фазы A (Ua)\"";
    QTest::newRow("device address 255") << "address"
                                        << "Адрес устройства не должен превышать 247";
    QTest::newRow("cell size 7") << "cell"
                                 << "Неверное значение размера ячеки памяти";
}

void TestCliEndToEnd::refusedBeforeSending()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString file = changedCopy(reference, dir.filePath(name + ".dat"), [name](Session &s) {
        if (name == "baud") {
            s.link.baudCode = 0;
        } else if (name == "address") {
            s.link.deviceAddress = 255;
        } else if (name == "cell") {
            s.link.cellSize = 7;
        } else if (name == "frequency") {
            const int row = frequencyRow(s);
            s.table.setRow(row, s.table.row(row).address, "2", "300");
        } else {
            s.table.setRow(0, s.table.row(0).address, "2", "2000000");
        }
    });
    QVERIFY(!file.isEmpty());
    QTest::qWait(200); // what came before is in the log by now
    const qsizetype logBefore = sim.log().size();
    const Run run = cli({"--port", sim.devicePath, "write", file});
    QCOMPARE(run.code, 9);
    QCOMPARE(run.err.trimmed(), message);
    QTest::qWait(200);
    QVERIFY(!sim.log().mid(logBefore).contains("<-"));
}

void TestCliEndToEnd::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const QString noReply = "Преобразователь не отвечает";
    const QString reception = "Ошибка при приеме данных";
    QTest::newRow("silent") << "silent" << false << 4 << noReply;
    QTest::newRow("late") << "late" << false << 4 << noReply;
    QTest::newRow("truncated") << "truncated" << false << 5 << reception;
    QTest::newRow("bad-lrc") << "bad-lrc" << false << 5 << reception;
    QTest::newRow("lowercase") << "lowercase" << false << 5 << reception;
    QTest::newRow("noise") << "noise" << false << 5 << reception;
    QTest::newRow("other-id") << "other-id" << false << 6 << "Ошибка ID устройства 150 вместо 0";
    QTest::newRow("echo-changed") << "echo-changed" << true << 7 << "Ошибка при передаче данных";
    QTest::newRow("echo-address") << "echo-address" << true << 7 << "Ошибка при передаче данных";
    // The adapter is pulled while the reply comes in: {port} names it.
    QTest::newRow("vanish-mid-reply")
        << "vanish-mid-reply" << false << 4
        << noReply + "\nПорт {port} ({port}) пропал во время обмена: адаптер отключён";
}

void TestCliEndToEnd::faults()
{
    QFETCH(QString, fault);
    QFETCH(bool, write);
    QFETCH(int, code);
    QFETCH(QString, message);
    // The echo faults change only a write's echo: the identifying read
    // before it goes through.
    sim.command("fault " + fault.toLatin1());
    QVERIFY(!sim.image().isEmpty());
    const QString port = sim.devicePath;
    const Run run =
        write ? cli({"--port", port, "write", reference}) : cli({"--port", port, "identify"});
    message.replace("{port}", port);
    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty());
    if (fault == "late")
        QTest::qWait(800); // the late reply goes out to nobody
    QCOMPARE(run.code, code);
    QCOMPARE(run.err.trimmed(), message);
}

void TestCliEndToEnd::lineThatCarriesMore_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::newRow("repeated replies") << QByteArrayList{"fault repeat"};
    QTest::newRow("a foreign frame first") << QByteArrayList{"fault foreign"};
    QTest::newRow("an adapter that echoes") << QByteArrayList{"echo on"};
    QTest::newRow("echo and repeated replies") << QByteArrayList{"echo on", "fault repeat"};
}

void TestCliEndToEnd::lineThatCarriesMore()
{
    // What the device holds is read and written, never the frames around it.
    QFETCH(QByteArrayList, commands);
    for (const QByteArray &command : commands)
        sim.command(command);
    QVERIFY(!sim.image().isEmpty());
    const Run read = cli({"--port", sim.devicePath, "read", "--json"});
    const Run write = cli({"--port", sim.devicePath, "write", reference, "--address", "9"});
    const Run back = cli({"--port", sim.devicePath, "read", "--json"});
    sim.command("echo off");
    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty());
    QTest::qWait(700); // a repeated reply goes out to nobody
    QCOMPARE(cli({"--port", sim.devicePath, "write", reference}).code, 0);

    QCOMPARE(read.code, 0);
    const QJsonObject found = QJsonDocument::fromJson(read.out.toUtf8()).object();
    QCOMPARE(found["deviceAddress"].toInt(), 5);
    QCOMPARE(found["parity"].toString(), QString("even"));
    QCOMPARE(found["registers"].toArray()[0].toObject()["coefficient"].toString(), QString("4000"));
    QCOMPARE(write.code, 0);
    QVERIFY2(write.err.isEmpty(), qPrintable(write.err));
    QCOMPARE(QJsonDocument::fromJson(back.out.toUtf8()).object()["deviceAddress"].toInt(), 9);
}

void TestCliEndToEnd::scan_data()
{
    QTest::addColumn<bool>("json");
    QTest::addColumn<bool>("simulator"); // the transducer is on COM3
    QTest::newRow("--json, simulator on COM3") << true << true;
    QTest::newRow("text, nothing answers") << false << false;
}

void TestCliEndToEnd::scan()
{
    // Every port is tried: one that does not open, a silent one, the
    // transducer's, and five more that do not open.
    QFETCH(bool, json);
    QFETCH(bool, simulator);
    PtyPair silent;
    mapComPorts({"", silent.slavePath, simulator ? sim.devicePath : QString()});
    const Run run = cli(json ? QStringList{"scan", "--json"} : QStringList{"scan"});
    mapComPorts({});

    QCOMPARE(run.code, simulator ? 0 : 4);
    if (!json) {
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[0], "COM1  /nonexistent/com1  Не могу открыть порт COM1: /nonexistent/com1: "
                           "No such file or directory");
        QCOMPARE(lines[1], "COM2  " + silent.slavePath + "  Преобразователь не отвечает");
        QCOMPARE(run.err, QString("Преобразователь не найден ни на одном порту\n"));
        return;
    }
    const QJsonArray ports = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QCOMPARE(ports.size(), 8);
    QStringList statuses;
    for (const QJsonValue &port : ports)
        statuses << port["status"].toString();
    QCOMPARE(statuses, QStringList({"unavailable", "silent", "answered", "unavailable",
                                    "unavailable", "unavailable", "unavailable", "unavailable"}));
    const QJsonObject found = ports[2].toObject();
    QCOMPARE(found["port"].toString(), QString("COM3"));
    QCOMPARE(found["device"].toString(), sim.devicePath);
    QCOMPARE(found["deviceId"].toInt(), 401);
    QVERIFY(found["message"].isNull() && found["stableName"].isNull());
    QVERIFY(ports[1]["deviceId"].isNull());
    QCOMPARE(ports[1]["message"].toString(), QString("Преобразователь не отвечает"));
}

void TestCliEndToEnd::commission_data()
{
    // The runs append to one journal, in this order.
    QTest::addColumn<QString>("file"); // "" is the reference
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message"); // the first line on standard error
    QTest::newRow("commissioned at address 9, kept")
        << "" << QByteArray("none") << 0 << "commissioned"
        << "";
    QTest::newRow("unset rate") << "baud" << QByteArray("none") << 9 << "refused"
                                << "Не задана скорость передачи";
    QTest::newRow("another device ID") << "model300" << QByteArray("none") << 6 << "refused"
                                       << "Ошибка ID устройства 401 вместо 300";
    QTest::newRow("not stored") << "" << QByteArray("not-stored") << 10 << "failed"
                                << "Устройство хранит не то, что записано";
    QTest::newRow("silent") << "" << QByteArray("silent") << 4 << "failed"
                            << "Преобразователь не отвечает";
    // The echo is wrong, yet the device stored the write: the read-back says so.
    QTest::newRow("echo differs, stored") << "" << QByteArray("echo-changed") << 7 << "failed"
                                          << "Ошибка при передаче данных";
    // The as-left file cannot be made: recorded, and the device still judged.
    QTest::newRow("as-left not kept") << "left-blocked" << QByteArray("none") << 8 << "failed"
                                      << "Не могу создать файл ";
}

void TestCliEndToEnd::commission()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, fault);
    QFETCH(int, code);
    QFETCH(QString, result);
    QFETCH(QString, message);
    journal = dir.filePath("commissioning.jsonl");
    // A folder that is not there yet: the tool makes it.
    const QString keep = dir.filePath(QStringLiteral("kept/") + QTest::currentDataTag());
    QString written = reference;
    if (file == "left-blocked") {
        // Folders where the as-left files of the next seconds would go.
        for (int s = 0; s < 10; ++s)
            QVERIFY(QDir(keep).mkpath(QDateTime::currentDateTime().addSecs(s).toString(
                "'401-9-'yyyyMMdd-HHmmss'-as-left.dat'")));
    } else if (!file.isEmpty())
        written = changedCopy(reference, dir.filePath(file + ".dat"), [file](Session &s) {
            if (file == "baud") {
                s.link.baudCode = 0;
            } else {
                buildRegisterTable(s.table, 300, s.configFileName);
                s.deviceId = 300;
            }
        });
    sim.command("fault " + fault);
    QVERIFY(!sim.image().isEmpty());
    const Run run = cli({"--port", sim.devicePath, "commission", written, "--address", "9",
                         "--journal", journal, "--keep", keep});
    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty());
    QCOMPARE(run.code, code);
    QVERIFY2(message.isEmpty() ? run.err.isEmpty() : run.err.startsWith(message),
             qPrintable(run.err));

    const QList<QByteArray> lines = fileBytes(journal).split('\n');
    QCOMPARE(lines.last(), QByteArray()); // every line ends
    const QJsonObject entry = QJsonDocument::fromJson(lines[lines.size() - 2]).object();
    QCOMPARE(entry["result"].toString(), result);
    QCOMPARE(entry["exitCode"].toInt(), code);
    QCOMPARE(entry["message"].toString(), run.err.trimmed());
    QCOMPARE(entry["reference"]["file"].toString(), written);
    QCOMPARE(entry["reference"]["sha256"].toString(),
             QCryptographicHash::hash(fileBytes(written), QCryptographicHash::Sha256).toHex());
    QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)")
                .match(entry["time"].toString())
                .hasMatch());
    QVERIFY(!entry["user"].toString().isEmpty() && !entry["host"].toString().isEmpty());
    // Only a commissioned and a not-stored run wrote; a file's own refusal
    // sent nothing at all.
    const QString frames = entry["frames"].toVariant().toStringList().join('\n');
    const bool wrote = code == 0 || code == 7 || code == 8 || code == 10;
    QCOMPARE(frames.contains("Запись конфигурации"), wrote);
    QCOMPARE(entry["echo"].isNull(), !wrote);
    QCOMPARE(frames.isEmpty(), file == "baud");
    if (code == 10) {
        QCOMPARE(entry["echo"].toString(), QString("same"));
        QCOMPARE(entry["asLeftDifferences"].toArray(),
                 QJsonArray{"Адрес устройства: файл 9, устройство 5"});
        QCOMPARE(run.err.section('\n', 1).trimmed(),
                 QString("Адрес устройства: файл 9, устройство 5"));
    }
    // After any echo, the device was read back and the record says what it holds.
    QCOMPARE(entry["asLeft"].isObject(), wrote);
    if (code == 7 || code == 8) {
        QCOMPARE(entry["asLeftDifferences"].toArray(), QJsonArray());
        QCOMPARE(entry.contains("asLeftFile"), code == 7);
    }
    if (code == 7)
        QCOMPARE(run.err.section('\n', 1).trimmed(), QString("Устройство хранит то, что записано"));
    if (code != 0)
        return;
    QCOMPARE(entry["address"].toInt(), 9);
    QCOMPARE(entry["deviceId"].toInt(), 401);
    QCOMPARE(entry["device"].toString(), sim.devicePath);
    QCOMPARE(entry["echo"].toString(), QString("same"));
    QCOMPARE(entry["asFound"]["deviceAddress"].toInt(), 5);
    QCOMPARE(entry["asLeft"]["deviceAddress"].toInt(), 9);
    QCOMPARE(entry["asFoundDifferences"].toArray(), QJsonArray());
    QCOMPARE(entry["asLeftDifferences"].toArray(), QJsonArray());
    for (const char *field : {"asFoundFile", "asLeftFile"}) {
        const QString kept = entry[field].toString();
        QVERIFY2(QRegularExpression("/401-9-\\d{8}-\\d{6}-as-(found|left)\\.dat$")
                     .match(kept)
                     .hasMatch(),
                 qPrintable(kept));
        QCOMPARE(cli({"show", kept, "--json"}).out.contains("\"deviceAddress\": 9"),
                 QByteArray(field) == "asLeftFile");
    }
    // The reference again, so that the device holds it for what follows.
    QCOMPARE(cli({"--port", sim.devicePath, "write", reference}).code, 0);
}

void TestCliEndToEnd::reportOfTheJournal()
{
    // The runs above, in order, then a broken line, one whose message must be
    // escaped, and two edited by hand into numbers no run writes.
    QFile file(journal);
    QVERIFY(file.open(QIODevice::Append));
    file.write("{\"time\": \"broken\n");
    file.write(R"({"time":"2026-12-09T10:00:00.000+00:00","result":"refused","exitCode":9,)"
               R"("message":"<script>&%1</script>","deviceId":null,"address":5})"
               "\n");
    file.write(R"({"time":"t","result":"failed","exitCode":4,"deviceId":1e300})"
               "\n");
    file.write(R"({"time":"t","result":"failed","exitCode":4,"address":3.5})"
               "\n");
    file.close();
    const QList<QByteArray> lines = fileBytes(journal).split('\n');
    QCOMPARE(lines.size(), 12);
    QStringList results;
    QString previous;
    for (int i = 0; i < 7; ++i) {
        const QJsonObject entry = QJsonDocument::fromJson(lines[i]).object();
        results << entry["result"].toString();
        QVERIFY(entry["time"].toString() >= previous);
        previous = entry["time"].toString();
    }
    QCOMPARE(results, QStringList({"commissioned", "refused", "refused", "failed", "failed",
                                   "failed", "failed"}));

    const QString html = dir.filePath("report.html");
    const Run run = cli({"report", journal, "-o", html});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err.trimmed(), QString("Строка 8 журнала J не является записью; пропущена\n"
                                        "Строка 10 журнала J: неверное поле deviceId; пропущена\n"
                                        "Строка 11 журнала J: неверное поле address; пропущена")
                                    .replace("J", journal));
    const QStringList out = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(out.size(), 9);
    QVERIFY2(out[0].contains("  ID 401  адрес 9  настроено  различий до записи: 0"),
             qPrintable(out[0]));
    const QString counts = "Настроено: 1, не удалось: 4, отказано: 3";
    QCOMPARE(out.last(), counts);
    const QString page = QString::fromUtf8(fileBytes(html));
    QVERIFY(page.contains(counts));
    QCOMPARE(page.count("<tr class="), 8);
    QVERIFY(page.contains("&lt;script&gt;&amp;%1&lt;/script&gt;"));
    // Each entry names its reference, by file and hash, who ran it where,
    // and the port; the head names the references used.
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    const QString hash = first["reference"]["sha256"].toString().left(12);
    QCOMPARE(hash.size(), 12);
    const QString named =
        QString("%1, SHA-256 %2").arg(first["reference"]["file"].toString(), hash);
    QVERIFY(page.contains(QString("<li>%1: 5</li>").arg(named.toHtmlEscaped())));
    QVERIFY(page.contains(QString("<dt>Эталон</dt><dd>%1</dd>").arg(named.toHtmlEscaped())));
    for (const char *field : {"user", "host", "port", "device"})
        QVERIFY2(page.contains(QString("<dd>%1</dd>").arg(first[field].toString().toHtmlEscaped())),
                 field);
    QVERIFY(!page.contains("<script") && !page.contains("http"));
    QCOMPARE(cli({"report", dir.filePath("none.jsonl")}).code, 8);
}

void TestCliEndToEnd::commandLineAnswers_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("output"); // what standard output holds
    const QString window = OSTRIVAN_PATH;
    const QString simulator = VXN_SIM_PATH;
    const QString tool = OSTRIVAN_CLI_PATH;
    QTest::newRow("ostrivan --version")
        << window << QStringList{"--version"} << 0 << "ostrivan 1.0.0.1\n";
    QTest::newRow("ostrivan --help") << window << QStringList{"--help"} << 0 << "OSTRIVAN_COMn";
    QTest::newRow("ostrivan --bogus") << window << QStringList{"--bogus"} << 2 << "";
    QTest::newRow("ostrivan with two files") << window << QStringList{"a.dat", "b.dat"} << 2 << "";
    QTest::newRow("vxn-sim --version")
        << simulator << QStringList{"--version"} << 0 << "vxn-sim 1.0.0.1\n";
    QTest::newRow("vxn-sim --bogus") << simulator << QStringList{"--bogus"} << 2 << "";
    QTest::newRow("ostrivan-cli --version")
        << tool << QStringList{"--version"} << 0 << "ostrivan-cli 1.0.0.1\n";
}

void TestCliEndToEnd::commandLineAnswers()
{
    // Answered on standard output without a window or a display.
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, output);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), code);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (code == 0)
        QVERIFY2(out == output || (output.size() < 20 && out.contains(output)), qPrintable(out));
    else
        QVERIFY(!process.readAllStandardError().isEmpty());
}

void TestCliEndToEnd::interruptEndsAtOnce()
{
    // Ctrl+C while a reply is awaited: it ends at once and the port is free
    // again.
    sim.command("fault silent");
    QVERIFY(!sim.image().isEmpty());
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(OSTRIVAN_CLI_PATH), {"--port", sim.devicePath, "identify"});
    QVERIFY(process.waitForStarted());
    QTest::qWait(400);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(3000));
    QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(process.exitCode(), 130);
    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty());
    QCOMPARE(cli({"--port", sim.devicePath, "identify"}).out.trimmed(), QString("401"));
}

void TestCliEndToEnd::usageAndFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"erase"} << 2;
    QTest::newRow("unknown option") << QStringList{"read", "--fast"} << 2;
    QTest::newRow("write without a file") << QStringList{"write"} << 2;
    QTest::newRow("address out of range") << QStringList{"write", "x.dat", "--address", "248"} << 2;
    QTest::newRow("json with report") << QStringList{"report", "j.jsonl", "--json"} << 2;
    QTest::newRow("scan of one port") << QStringList{"--port", "COM1", "scan"} << 2;
    QTest::newRow("journal with read") << QStringList{"read", "--journal", "j.jsonl"} << 2;
    QTest::newRow("journal that does not open")
        << QStringList{"commission", "x.dat", "--journal", "/nonexistent/j.jsonl"} << 8;
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("port that does not open")
        << QStringList{"--port", "/nonexistent/tty", "identify"} << 3;
    QTest::newRow("file that is no file") << QStringList{"show", "/dev/zero"} << 8;
    // It stats as a regular file, and a read of it waits for the kernel.
    QTest::newRow("file that blocks on read") << QStringList{"show", "/proc/kmsg"} << 8;
    QTest::newRow("-o without a name") << QStringList{"read", "-o", ""} << 2;
    QTest::newRow("unit with a control character")
        << QStringList{"commission", "x.dat", "--unit", "A\t17"} << 2;
    QTest::newRow("unit too long")
        << QStringList{"commission", "x.dat", "--unit", QString(65, 'x')} << 2;
    QTest::newRow("unit with another command") << QStringList{"write", "x.dat", "--unit", "A"} << 2;
    QTest::newRow("an option given twice")
        << QStringList{"read", "-o", "a.dat", "-o", "b.dat"} << 2;
}

void TestCliEndToEnd::outputAndNames_data()
{
    // Through a shell: $0 is the tool, $1 the reference, in the test's folder.
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("code");
    QTest::newRow("full disk") << "\"$0\" show \"$1\" >/dev/full" << 8;
    QTest::newRow("closed output") << "\"$0\" show \"$1\" >&-" << 8;
    QTest::newRow("a name outside the encoding")
        << "cp \"$1\" \"$(printf 'caf\\351.dat')\"; \"$0\" show \"$(printf 'caf\\351.dat')\"" << 2;
    // Nothing is written, under that name or another.
    QTest::newRow("-o to such a name")
        << "\"$0\" read -o \"$(printf 'new\\351.dat')\"; c=$?; ls | grep -q new && exit 99; exit $c"
        << 2;
}

void TestCliEndToEnd::outputAndNames()
{
    QFETCH(QString, script);
    QFETCH(int, code);
    QTemporaryDir here;
    QProcess shell;
    shell.setWorkingDirectory(here.path());
    shell.start("sh", {"-c", script, OSTRIVAN_CLI_PATH, reference});
    QVERIFY(shell.waitForFinished(10000));
    QCOMPARE(shell.exitCode(), code);
    QVERIFY(!shell.readAllStandardError().isEmpty());
}

void TestCliEndToEnd::usageAndFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    const Run run = cli(arguments);
    QCOMPARE(run.code, code);
    if (code == 0)
        QVERIFY(run.out.contains("Коды завершения"));
    else
        QVERIFY(!run.err.isEmpty());
}

void TestCliEndToEnd::filesThatAreNoFiles_data()
{
    // {fifo} is a FIFO, {journal} the journal above and {link} a symbolic
    // link to it, {port} the simulator. The whole of standard error's first
    // line is the program's own.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("journal is a FIFO")
        << QStringList{"--port", "{port}", "commission", "{ref}", "--journal", "{fifo}"} << 8
        << "Не могу открыть журнал {fifo}: это не обычный файл";
    QTest::newRow("journal is a device")
        << QStringList{"--port", "{port}", "commission", "{ref}", "--journal", "/dev/full"} << 8
        << "Не могу открыть журнал /dev/full: это не обычный файл";
    QTest::newRow("report of a FIFO") << QStringList{"report", "{fifo}"} << 8
                                      << "Не могу прочитать журнал {fifo}: это не обычный файл";
    QTest::newRow("-o to a FIFO") << QStringList{"--port", "{port}", "read", "-o", "{fifo}"} << 8
                                  << "Не могу создать файл {fifo}: это не обычный файл";
    QTest::newRow("report over its journal")
        << QStringList{"report", "{journal}", "-o", "{link}"} << 2
        << "Отчёт нельзя сохранить поверх журнала {journal}";
    QTest::newRow("file that does not exist")
        << QStringList{"show", "/nonexistent/x.dat"} << 8
        << "Не могу прочитать файл /nonexistent/x.dat: No such file or directory";
}

void TestCliEndToEnd::filesThatAreNoFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir here;
    const QString fifo = here.filePath("fifo");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString link = here.filePath("link");
    QVERIFY(QFile::link(journal, link));
    const QByteArray journalBefore = fileBytes(journal);
    const QList<std::pair<QString, QString>> names{{"{fifo}", fifo},
                                                   {"{journal}", journal},
                                                   {"{link}", link},
                                                   {"{port}", sim.devicePath},
                                                   {"{ref}", reference}};
    for (QString &argument : arguments)
        for (const auto &[name, value] : names)
            argument.replace(name, value);
    for (const auto &[name, value] : names)
        message.replace(name, value);
    const qsizetype requestsBefore = sim.log().count("<-");
    const Run run = cli(arguments);
    QCOMPARE(run.code, code);
    QCOMPARE(run.err.section('\n', 0, 0), message);
    // Refused before anything was sent, and the journal is as it was.
    QCOMPARE(sim.log().count("<-"), requestsBefore);
    QCOMPARE(fileBytes(journal), journalBefore);
}

QTEST_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
