#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file that only grows, one line per record. It is opened for appending
// (and created if missing) without ever waiting, and only a regular file is
// taken. Each line goes out in one write under an advisory lock on the
// whole file, and is synced to disk before append returns:
// - no earlier line is ever rewritten; a crash loses at most the line being
//   written;
// - a line that cannot be written whole (a full disk) is cut off again, so
//   no part of it stays;
// - a file that does not end in a line feed (torn by a crash) gets one
//   first, so only the torn line is lost, never the next;
// - several runs may share the file: the lock holds across the check, the
//   write and any cut, so no run cuts another's line.
class JournalFile
{
public:
    JournalFile() = default;
    JournalFile(const JournalFile &) = delete;
    JournalFile &operator=(const JournalFile &) = delete;
    ~JournalFile();

    [[nodiscard]] bool open(const QString &path);
    [[nodiscard]] bool isOpen() const { return fd >= 0; }
    // Why the last open or append failed, in the system's words.
    [[nodiscard]] QString errorString() const { return error; }
    // line must end with a line feed.
    [[nodiscard]] bool append(const QByteArray &line);

    // Whether two paths name one file (through links, or another path).
    [[nodiscard]] static bool sameFile(const QString &a, const QString &b);

private:
    int fd = -1;
    QString error;
};

// A journal read back one line at a time, never the whole file: only a
// regular file is read, and opening it never waits.
class JournalReader
{
public:
    // A longer line is no record: it is passed over, never held whole.
    static constexpr qint64 MaxLineSize = 16 * 1024 * 1024;

    [[nodiscard]] bool open(const QString &path);
    // The next line, without its line feed; false at the end of the file,
    // or when reading failed (errorString says why). tooLong tells a line
    // over MaxLineSize, given empty.
    [[nodiscard]] bool next(QByteArray &line, bool &tooLong);
    // Why the last open or read failed, in the system's words.
    [[nodiscard]] QString errorString() const { return error; }

private:
    QFile file;
    QByteArray buffer; // read ahead, in large pieces
    qsizetype position = 0;
    QString error;
};
