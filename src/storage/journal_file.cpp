#include "journal_file.h"

#include "config_store.h"
#include "file_messages.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Only a regular file, or one that does not exist yet, is taken: opening a
// FIFO waits for its other end, and a device never fills up or ends.
bool isRegularOrAbsent(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

#ifdef Q_OS_WIN
int openFile(const QString &path, int flags)
{
    int fd = -1;
    _wsopen_s(&fd, reinterpret_cast<const wchar_t *>(path.utf16()),
              flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
}

bool isRegular(int fd)
{
    return GetFileType(HANDLE(_get_osfhandle(fd))) == FILE_TYPE_DISK;
}

qint64 fileSize(int fd)
{
    return _lseeki64(fd, 0, SEEK_END);
}

bool readByteAt(int fd, qint64 offset, char &byte)
{
    return _lseeki64(fd, offset, SEEK_SET) == offset && _read(fd, &byte, 1) == 1;
}

qint64 writeSome(int fd, const char *data, qint64 size)
{
    return _write(fd, data, unsigned(size));
}

bool cutTo(int fd, qint64 size)
{
    return _chsize_s(fd, size) == 0;
}

bool sync(int fd)
{
    return _commit(fd) == 0;
}

// The whole file, so that a reader of another platform's lock agrees too.
bool lock(int fd)
{
    OVERLAPPED at{};
    return LockFileEx(HANDLE(_get_osfhandle(fd)), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD,
                      &at);
}

void unlock(int fd)
{
    OVERLAPPED at{};
    UnlockFileEx(HANDLE(_get_osfhandle(fd)), 0, MAXDWORD, MAXDWORD, &at);
}

void closeFile(int fd)
{
    _close(fd);
}
#else
int openFile(const QString &path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
}

bool isRegular(int fd)
{
    struct stat status
    {
    };
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

qint64 fileSize(int fd)
{
    return ::lseek(fd, 0, SEEK_END);
}

bool readByteAt(int fd, qint64 offset, char &byte)
{
    return ::pread(fd, &byte, 1, offset) == 1;
}

qint64 writeSome(int fd, const char *data, qint64 size)
{
    return ::write(fd, data, size_t(size));
}

bool cutTo(int fd, qint64 size)
{
    return ::ftruncate(fd, size) == 0;
}

bool sync(int fd)
{
    return ::fsync(fd) == 0;
}

bool lock(int fd)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

void unlock(int fd)
{
    ::flock(fd, LOCK_UN);
}

void closeFile(int fd)
{
    ::close(fd);
}
#endif

// The system's words for the last failure of a C library call.
QString systemError()
{
    return qt_error_string(errno);
}

} // namespace

JournalFile::~JournalFile()
{
    if (fd >= 0)
        closeFile(fd);
}

bool JournalFile::open(const QString &path)
{
    error.clear();
    if (!isRegularOrAbsent(path)) {
        error = FileMessages::notRegularFileText();
        return false;
    }
    // Read as well as appended to: the last character tells whether the
    // file ends in a torn line.
#ifdef Q_OS_WIN
    fd = openFile(path, _O_RDWR | _O_APPEND | _O_CREAT);
#else
    fd = openFile(path, O_RDWR | O_APPEND | O_CREAT);
#endif
    if (fd < 0) {
        error = systemError();
        return false;
    }
    // Checked again on what was opened: the path may have changed since.
    if (!isRegular(fd)) {
        closeFile(fd);
        fd = -1;
        error = FileMessages::notRegularFileText();
        return false;
    }
    return true;
}

bool JournalFile::append(const QByteArray &line)
{
    if (fd < 0)
        return false;
    if (!lock(fd)) {
        error = systemError();
        return false;
    }
    const qint64 before = fileSize(fd);
    QByteArray text = line;
    char last = '\n';
    if (before > 0 && readByteAt(fd, before - 1, last) && last != '\n')
        text.prepend('\n');
    bool written = before >= 0;
    for (qint64 done = 0; written && done < text.size();) {
        const qint64 count = writeSome(fd, text.constData() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        written = count > 0;
        done += std::max<qint64>(count, 0);
    }
    // A write whose end cannot be made sure of is taken back whole.
    const bool ok = written && sync(fd);
    if (!ok) {
        error = systemError();
        if (before >= 0)
            cutTo(fd, before);
        sync(fd);
    }
    unlock(fd);
    return ok;
}

bool JournalFile::sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    // The volume and the file's index name a file whatever path leads to it.
    const auto identity = [](const QString &path, BY_HANDLE_FILE_INFORMATION &info) {
        const HANDLE handle =
            CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(handle, &info);
        CloseHandle(handle);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return identity(a, first) && identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
#else
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#endif
}

bool JournalReader::open(const QString &path)
{
    return ConfigStore::openForReading(file, path, error);
}

bool JournalReader::next(QByteArray &line, bool &tooLong)
{
    line.clear();
    tooLong = false;
    // Read ahead in large pieces and cut at line feeds: a line with no end
    // is never held in whole.
    constexpr qint64 Piece = 1024 * 1024;
    const auto refill = [this] {
        buffer.resize(Piece);
        const qint64 got = file.read(buffer.data(), Piece);
        buffer.resize(std::max<qint64>(got, 0));
        position = 0;
        if (got < 0)
            error = file.errorString();
        return got > 0;
    };
    if (position == buffer.size() && !refill())
        return false;
    for (;;) {
        const char *start = buffer.constData() + position;
        const qsizetype left = buffer.size() - position;
        const char *end = static_cast<const char *>(std::memchr(start, '\n', size_t(left)));
        const qsizetype taken = end ? end - start : left;
        if (!tooLong && line.size() + taken <= MaxLineSize) {
            line.append(start, taken);
        } else {
            tooLong = true;
            line.clear();
        }
        position += taken + (end ? 1 : 0);
        if (end)
            return true;
        // The last line may have no line feed; a failed read is no line.
        if (!refill())
            return error.isEmpty();
    }
}
