#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file that only grows, one line per record: it is opened for appending
// (and created if missing), and each line goes out in one write that is
// synced to disk before append returns, so that no earlier line is ever
// rewritten and a crash loses at most the line being written.
class JournalFile
{
public:
    [[nodiscard]] bool open(const QString &path);
    [[nodiscard]] bool isOpen() const { return file.isOpen(); }
    [[nodiscard]] QString errorString() const { return file.errorString(); }
    // line must end with a line feed.
    [[nodiscard]] bool append(const QByteArray &line);

private:
    QFile file;
};
