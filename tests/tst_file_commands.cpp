// Saving and opening configuration files with the link settings and the
// table as the window holds them.

#include "config_file.h"
#include "cp1251.h"
#include "device_models.h"
#include "file_chooser.h"
#include "file_commands.h"
#include "window_state.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class ScriptedChooser : public FileChooser
{
public:
    std::optional<QString> openFileName() override { return next; }
    std::optional<QString> saveFileName() override { return next; }
    std::optional<QString> next;
};

// What the window holds for the file commands, without a window.
struct FilesFixture : WindowState
{
    bool write(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray read(const QString &name)
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void load(const QString &name)
    {
        chooser.next = path(name);
        files.loadConfiguration();
    }
    void save(const QString &name)
    {
        chooser.next = path(name);
        files.saveConfiguration();
    }
    void build(int model)
    {
        buildRegisterTable(session.table, model, session.configFileName);
        session.deviceId = model;
    }
    QList<RegisterEntry> rows() const
    {
        QList<RegisterEntry> all;
        for (int r = 0; r < session.table.rowCount(); ++r)
            all.append(session.table.row(r));
        return all;
    }
    QList<QByteArray> listTexts()
    {
        QList<QByteArray> texts;
        for (int r = 0; r < session.table.parameterCount(); ++r)
            for (int c = 0; c < RegisterTable::ColumnCount; ++c)
                texts.append(session.table.shownText(r, RegisterTable::Column(c)));
        return texts;
    }
    quint8 linkByte() const { return packLinkByte(session.link); }

    QTemporaryDir dir;
    ScriptedChooser chooser;
    FileCommands files{chooser, messages, session, link};
};

QByteArray fileOf(int model, LinkBytes linkBytes)
{
    ConfigFile::Configuration configuration;
    FilesFixture f;
    f.build(model);
    configuration.deviceId = quint32(model);
    configuration.rows = f.rows();
    configuration.link = linkBytes;
    return ConfigFile::encode(configuration);
}

int rowNamed(const RegisterTable &table, const char16_t *name)
{
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.row(r).name == toCp1251(name))
            return r;
    }
    return -1;
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void savingRightAfterStart();
    void saveAndOpenAgain();
    void wiringByteChoosesTheRadio_data();
    void wiringByteChoosesTheRadio();
    void openingKeepsTheFileAddresses();
    void rateTheListDoesNotOfferIsKept();
    void deviceAddressAboveTheLimit();
    void cancelChangesNothing();
    void refusedFilesChangeNothing_data();
    void refusedFilesChangeNothing();
    void openingWhatIsNoRegularFile_data();
    void openingWhatIsNoRegularFile();
    void failedSaveKeepsTheOldFile();
    void damagedCorpus();
};

void TestFileCommands::savingRightAfterStart()
{
    FilesFixture f;
    f.save("empty.dat");
    QVERIFY(f.messages.shown.isEmpty());
    const QByteArray bytes = f.read("empty.dat");
    QCOMPARE(bytes.size(), 9);
    QCOMPARE(bytes.left(5), QByteArray(5, '\0'));
    QCOMPARE(bytes.mid(5), QByteArray("\x00", 1) + char(f.linkByte()) + "\x01\x10");
    QCOMPARE(f.session.configFileName, QString("empty.dat"));
    QCOMPARE(f.fields.fileNameText(), QString("empty.dat"));
}

void TestFileCommands::saveAndOpenAgain()
{
    FilesFixture f;
    f.build(401);
    f.session.table.setRow(3, "0x0003 ", "2", "3001");
    f.session.table.setRow(30, "0x001E ", "2", "1.250");
    f.fields.setNumericText(LinkFields::NumericField::DeviceAddress, "17");
    f.fields.setTransmissionMode(TransmissionMode::Rtu);
    f.fields.setBaudCode(baudCodeOfRate(19200));
    f.fields.setParity(Parity::Odd);
    f.fields.setStopBits(StopBits::Two);
    f.link.onThreeWireClicked();
    f.save("saved.dat");
    QVERIFY(f.messages.shown.isEmpty());

    FilesFixture g;
    g.write("saved.dat", f.read("saved.dat"));
    g.load("saved.dat");
    QVERIFY(g.messages.shown.isEmpty());
    QList<RegisterEntry> expected = f.rows();
    expected[3].coefficient = "3000";
    QCOMPARE(g.rows(), expected);
    QCOMPARE(g.session.table.parameterCount(), 37);
    QCOMPARE(g.session.deviceId, 401);
    QCOMPARE(g.session.link.deviceAddress, quint8(17));
    QCOMPARE(g.fields.numericText(LinkFields::NumericField::DeviceAddress), QString("17"));
    QCOMPARE(g.fields.transmissionMode(), TransmissionMode::Rtu);
    QCOMPARE(g.fields.baudCode(), baudCodeOfRate(19200));
    QCOMPARE(g.fields.parity(), Parity::Odd);
    QCOMPARE(g.fields.stopBits(), StopBits::Two);
    QCOMPARE(g.session.link.wiringByte, quint8(0x20));
    QCOMPARE(g.fields.wiringChoice(), WiringChoice::ThreeWire);
    QCOMPARE(g.fields.fileNameText(), QString("saved.dat"));

    // Saved again, the same bytes.
    g.save("again.dat");
    QCOMPARE(g.read("again.dat"), f.read("saved.dat"));
}

void TestFileCommands::wiringByteChoosesTheRadio_data()
{
    QTest::addColumn<int>("wiring");
    QTest::addColumn<WiringChoice>("radio");

    QTest::newRow("0x20") << 0x20 << WiringChoice::ThreeWire;
    QTest::newRow("0x10") << 0x10 << WiringChoice::FourWire;
    QTest::newRow("0x33") << 0x33 << WiringChoice::FourWire;
}

void TestFileCommands::wiringByteChoosesTheRadio()
{
    QFETCH(int, wiring);
    QFETCH(WiringChoice, radio);

    FilesFixture f;
    f.write("w.dat", fileOf(300, {5, 0x45, 1, quint8(wiring)}));
    f.load("w.dat");
    QCOMPARE(f.fields.wiringChoice(), radio);
    QCOMPARE(f.session.link.wiringByte, quint8(wiring));
}

void TestFileCommands::openingKeepsTheFileAddresses()
{
    // A model-400 file with cell size 2 and row 0 moved to 0x0100, opened
    // while cell size 1 is shown: held and shown as stored, whatever was
    // shown before, as a device's answer is.
    FilesFixture f;
    f.build(400);
    f.session.table.setRow(0, "0x0100", "2", "5000");
    ConfigFile::Configuration configuration;
    configuration.deviceId = 400;
    configuration.rows = f.rows();
    configuration.link = {5, 0x45, 2, 0x10};

    FilesFixture g;
    QVERIFY(g.write("400.dat", ConfigFile::encode(configuration)));
    QCOMPARE(g.fields.numericText(LinkFields::NumericField::CellSize), QString("1"));
    g.load("400.dat");
    QCOMPARE(g.fields.numericText(LinkFields::NumericField::CellSize), QString("2"));
    QCOMPARE(g.rows(), configuration.rows);
    const int frequency = rowNamed(g.session.table, u"Частота (f)");
    QCOMPARE(g.session.table.row(1).address, QByteArray("0x0001"));
    QCOMPARE(g.session.table.shownText(frequency, RegisterTable::Column::Address),
             QByteArray("0x001E"));
    g.load("400.dat");
    QCOMPARE(g.rows(), configuration.rows);
    QVERIFY(g.messages.shown.isEmpty());

    // A cell size the user changes still lays them out.
    g.fields.setNumericText(LinkFields::NumericField::CellSize, "1");
    QCOMPARE(g.session.table.row(1).address, QByteArray("0x0102 "));
}

void TestFileCommands::rateTheListDoesNotOfferIsKept()
{
    // 57600 baud (code 9): the list shows no rate, and a save writes the
    // code back as it came.
    FilesFixture f;
    f.fields.setBaudCode(baudCodeOfRate(9600));
    f.write("fast.dat", fileOf(300, {5, 0x49, 2, 0x10}));
    f.load("fast.dat");
    QCOMPARE(f.fields.baudCode(), std::nullopt);
    QCOMPARE(f.session.link.baudCode, std::optional<quint8>(9));
    f.save("again.dat");
    QCOMPARE(f.read("again.dat"), f.read("fast.dat"));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestFileCommands::deviceAddressAboveTheLimit()
{
    FilesFixture f;
    f.write("a.dat", fileOf(300, {250, 0x45, 2, 0x10}));
    f.load("a.dat");
    QCOMPARE(f.messages.texts(), QStringList{"Адрес устройства не должен превышать 247"});
    QCOMPARE(f.session.link.deviceAddress, quint8(247));
}

void TestFileCommands::cancelChangesNothing()
{
    FilesFixture f;
    f.build(401);
    f.session.configFileName = "before.dat";
    f.link.showFields();
    const QList<RegisterEntry> rows = f.rows();
    const QList<QByteArray> shown = f.listTexts();
    f.chooser.next.reset();
    f.files.loadConfiguration();
    f.files.saveConfiguration();
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.listTexts(), shown);
    QCOMPARE(f.session.configFileName, QString("before.dat"));
    QVERIFY(f.messages.shown.isEmpty());
    QVERIFY(QDir(f.dir.path()).isEmpty());
}

void TestFileCommands::refusedFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<UserMessage>("message");

    const QByteArray good = fileOf(300, {9, 0x45, 2, 0x20});
    const QString pastEnd = "An attempt was made to access an unnamed file past its end.";
    const QString program = programName();
    QTest::newRow("truncated") << good.chopped(3) << true
                               << UserMessage{program, pastEnd, MessageIcon::Stop};
    QTest::newRow("cut in a row") << good.left(200) << true
                                  << UserMessage{program, pastEnd, MessageIcon::Stop};
    QTest::newRow("64 rows") << QByteArray::fromHex("2c01000040") + good.mid(5) << true
                             << UserMessage{"Ошибка", "В файле больше 63 регистров",
                                            MessageIcon::Exclamation};
    QTest::newRow("4 GB name") << QByteArray::fromHex("2c01000001ffffffffffffff") + good << true
                               << UserMessage{program, pastEnd, MessageIcon::Stop};
    QTest::newRow("bytes after the end")
        << good + "junk" << true
        << UserMessage{"Ошибка", "После конфигурации в файле есть лишние данные",
                       MessageIcon::Exclamation};
    QTest::newRow("cannot be opened")
        << QByteArray() << false << UserMessage{"Ошибка", "", MessageIcon::Exclamation};
}

void TestFileCommands::refusedFilesChangeNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, exists);
    QFETCH(UserMessage, message);

    FilesFixture f;
    f.build(401);
    f.fields.setNumericText(LinkFields::NumericField::CellSize, "2");
    f.fields.setNumericText(LinkFields::NumericField::DeviceAddress, "12");
    f.link.takeFields();
    const QList<RegisterEntry> rows = f.rows();
    const QList<QByteArray> shown = f.listTexts();
    const quint8 linkByte = f.linkByte();
    if (exists)
        QVERIFY(f.write("bad.dat", file));
    else
        message.text = "Не могу создать файл  " + f.path("bad.dat");

    f.load("bad.dat");
    QCOMPARE(f.messages.shown, QList<UserMessage>{message});
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.listTexts(), shown);
    QCOMPARE(f.session.deviceId, 401);
    QCOMPARE(f.session.link.deviceAddress, quint8(12));
    QCOMPARE(f.session.link.cellSize, quint8(2));
    QCOMPARE(f.linkByte(), linkByte);
    // The name chosen is kept and shown.
    QCOMPARE(f.session.configFileName, QString("bad.dat"));
    QCOMPARE(f.fields.fileNameText(), QString("bad.dat"));
}

void TestFileCommands::openingWhatIsNoRegularFile_data()
{
    QTest::addColumn<QString>("path"); // "fifo": a FIFO made for the test
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("/dev/zero") << "/dev/zero";
    QTest::newRow("a folder") << "folder";
}

void TestFileCommands::openingWhatIsNoRegularFile()
{
    // Refused at once with the open-failure message: a FIFO is not waited
    // on and /dev/zero is not read without end.
    QFETCH(QString, path);
    FilesFixture f;
    f.build(401);
    const QList<RegisterEntry> rows = f.rows();
    if (path == "fifo") {
        path = f.path("pipe.dat");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (path == "folder") {
        path = f.dir.path();
    }
    f.chooser.next = path;
    f.files.loadConfiguration();
    const UserMessage cannotOpen{"Ошибка", "Не могу создать файл  " + path,
                                 MessageIcon::Exclamation};
    QCOMPARE(f.messages.shown, QList<UserMessage>{cannotOpen});
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.session.deviceId, 401);
}

void TestFileCommands::failedSaveKeepsTheOldFile()
{
    FilesFixture f;
    f.build(401);
    QVERIFY(f.write("old.dat", "old contents"));

    // The disk fills up: the file-size limit makes every write beyond a few
    // bytes fail, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit tiny = previous;
    tiny.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    f.save("old.dat");
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, SIG_DFL);

    QVERIFY2(f.messages.shown.size() == 1, qPrintable(QString::number(f.read("old.dat").size())));
    QCOMPARE(f.messages.shown[0].caption, programName());
    QVERIFY2(f.messages.shown[0].text.endsWith("accessing " + f.path("old.dat") + "."),
             qPrintable(f.messages.shown[0].text));
    QCOMPARE(f.read("old.dat"), QByteArray("old contents"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"old.dat"});

    const UserMessage cannotReplace{"Ошибка", "Не могу создать файл  " + f.path("old.dat"),
                                    MessageIcon::Exclamation};
    // A file marked read-only is kept, also when root saves over it.
    f.messages.shown.clear();
    QVERIFY(QFile::setPermissions(f.path("old.dat"), QFileDevice::ReadOwner));
    f.save("old.dat");
    QCOMPARE(f.messages.shown, QList<UserMessage>{cannotReplace});
    QCOMPARE(f.read("old.dat"), QByteArray("old contents"));

    // A folder that does not exist: the file cannot be created.
    f.messages.shown.clear();
    f.save("missing/new.dat");
    const UserMessage cannotCreate{"Ошибка", "Не могу создать файл  " + f.path("missing/new.dat"),
                                   MessageIcon::Exclamation};
    QCOMPARE(f.messages.shown, QList<UserMessage>{cannotCreate});
    QCOMPARE(f.session.configFileName, QString("new.dat"));
}

void TestFileCommands::damagedCorpus()
{
    // Damaged copies of a real file, opened one after another into the same
    // window: each is refused with the table as it was, or loaded whole.
    const QByteArray good = fileOf(401, {5, 0x45, 2, 0x20});
    QList<QByteArray> corpus;
    for (qsizetype length = 0; length < good.size(); ++length)
        corpus << good.left(length);
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0xFF);
        corpus << flipped;
    }
    // Huge lengths at each string of the first row: one-byte, 16-bit and
    // 32-bit forms, and a UTF-16 count.
    for (qsizetype at : {qsizetype(5), qsizetype(6 + quint8(good[5]))}) {
        for (const QByteArray &prefix :
             {QByteArray::fromHex("fe"), QByteArray::fromHex("fffdff"),
              QByteArray::fromHex("ffffffffffffff"), QByteArray::fromHex("fffeffffffffffffff")})
            corpus << good.left(at) + prefix + good.mid(at + 1);
    }
    for (int rows = 0; rows <= 255; ++rows) {
        QByteArray counted = good;
        counted[4] = char(rows);
        corpus << counted;
    }

    FilesFixture f;
    f.build(300);
    int loaded = 0, refused = 0;
    for (const QByteArray &bytes : corpus) {
        QVERIFY(f.write("damaged.dat", bytes));
        const QList<RegisterEntry> before = f.rows();
        const int deviceBefore = f.session.deviceId;
        f.messages.shown.clear();
        f.load("damaged.dat");
        const ConfigFile::ReadResult decoded = ConfigFile::decode(bytes);
        if (decoded.error == ConfigFile::ReadError::None) {
            ++loaded;
            // Whole: every row in, Parameter rows listed, the ID taken.
            QCOMPARE(f.session.table.rowCount(), decoded.configuration.rows.size());
            QCOMPARE(f.session.deviceId, int(decoded.configuration.deviceId));
            int parameters = 0;
            for (const RegisterEntry &row : decoded.configuration.rows)
                parameters += row.kind == RegisterKind::Parameter ? 1 : 0;
            QCOMPARE(f.session.table.parameterCount(), parameters);
            for (const UserMessage &message : f.messages.shown)
                QCOMPARE(message.text, QString("Адрес устройства не должен превышать 247"));
        } else {
            ++refused;
            QCOMPARE(f.messages.shown.size(), 1);
            QCOMPARE(f.rows(), before);
            QCOMPARE(f.session.deviceId, deviceBefore);
        }
    }
    QVERIFY(loaded > 0 && refused > 0);
    qInfo("%d damaged files: %d loaded whole, %d refused", int(corpus.size()), loaded, refused);
}

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
