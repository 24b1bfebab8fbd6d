#include "journal_file.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

bool JournalFile::open(const QString &path)
{
    file.setFileName(path);
    // Unbuffered: the whole line is one write on the file opened for
    // appending, so two runs sharing a journal never interleave their lines.
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

bool JournalFile::append(const QByteArray &line)
{
    if (!file.isOpen() || file.write(line) != line.size())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}
