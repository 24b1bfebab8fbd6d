// The journal keeps whole lines: a torn last line gets its line feed, a line
// that cannot be written whole is taken back, special files are refused at
// once, and a run waits for another run's lock.

#include "journal_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestJournalFile : public QObject
{
    Q_OBJECT

private slots:
    void append_data();
    void append();
    void specialFilesRefused_data();
    void specialFilesRefused();
    void waitsForAnotherRunsLock();
    void readsLineByLine_data();
    void readsLineByLine();
};

void TestJournalFile::append_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<qint64>("sizeLimit"); // the process's file size limit; 0: none
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("error");
    const QByteArray line = "{\"n\":2}\n";
    QTest::newRow("new journal") << QByteArray() << qint64(0) << line << QString();
    QTest::newRow("whole lines") << QByteArray("{\"n\":1}\n") << qint64(0)
                                 << QByteArray("{\"n\":1}\n") + line << QString();
    QTest::newRow("torn last line")
        << QByteArray("{\"n\":1") << qint64(0) << QByteArray("{\"n\":1\n") + line << QString();
    // A file size limit stops the write part-way, as a full disk does.
    QTest::newRow("no room for the whole line")
        << QByteArray("{\"n\":1}\n") << qint64(12) << QByteArray("{\"n\":1}\n") << "File too large";
}

void TestJournalFile::append()
{
    QFETCH(QByteArray, before);
    QFETCH(qint64, sizeLimit);
    QFETCH(QByteArray, after);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("j.jsonl");
    if (!before.isEmpty())
        writeFile(path, before);
    JournalFile journal;
    QVERIFY(journal.open(path));
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (sizeLimit) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(sizeLimit);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    const bool appended = journal.append("{\"n\":2}\n");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(appended, error.isEmpty());
    QCOMPARE(journal.errorString(), error);
    QCOMPARE(contents(path), after);
}

void TestJournalFile::specialFilesRefused_data()
{
    QTest::addColumn<QString>("path"); // "fifo": a FIFO made here
    QTest::newRow("FIFO without a reader") << "fifo";
    QTest::newRow("device") << "/dev/full";
    QTest::newRow("folder") << "/tmp";
}

void TestJournalFile::specialFilesRefused()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    if (path == "fifo") {
        path = dir.filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    }
    JournalFile journal;
    QVERIFY(!journal.open(path));
    QCOMPARE(journal.errorString(), QString("это не обычный файл"));
    JournalReader reader;
    QVERIFY(!reader.open(path));
    QCOMPARE(reader.errorString(), journal.errorString());
}

void TestJournalFile::readsLineByLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines"); // "LONG": a line over the limit
    const QByteArray longLine(JournalReader::MaxLineSize + 1, 'x');
    const QByteArray fullLine(JournalReader::MaxLineSize, 'y');
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("whole lines") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("an empty line, a torn last one")
        << QByteArray("a\n\nb") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("a line over the limit is passed over") << longLine + "\nc\n"
                                                          << QList<QByteArray>{"LONG", "c"};
    QTest::newRow("a line at the limit is kept") << fullLine + "\n" << QList<QByteArray>{fullLine};
}

void TestJournalFile::readsLineByLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath("journal.jsonl");
    writeFile(path, bytes);
    JournalReader reader;
    QVERIFY(reader.open(path));
    QList<QByteArray> read;
    QByteArray line;
    bool tooLong = false;
    while (reader.next(line, tooLong))
        read << (tooLong ? QByteArray("LONG") : line);
    QCOMPARE(reader.errorString(), QString());
    QCOMPARE(read, lines);
}

void TestJournalFile::waitsForAnotherRunsLock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("j.jsonl");
    writeFile(path, "{\"n\":1}\n");
    const int other = ::open(QFile::encodeName(path).constData(), O_RDWR);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX), 0);
    JournalFile journal;
    QVERIFY(journal.open(path));
    bool appended = false;
    std::thread run([&] { appended = journal.append("{\"n\":2}\n"); });
    QTest::qWait(200);
    QCOMPARE(contents(path), QByteArray("{\"n\":1}\n"));
    ::flock(other, LOCK_UN);
    run.join();
    ::close(other);
    QVERIFY(appended);
    QCOMPARE(contents(path), QByteArray("{\"n\":1}\n{\"n\":2}\n"));
}

QTEST_MAIN(TestJournalFile)
#include "tst_journal_file.moc"
