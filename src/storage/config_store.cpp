#include "config_store.h"

#include "session.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ConfigStore {

namespace {

// Marked read-only: no write permission for anyone. Decided by the bits, since
// the system's access check always lets root write.
bool markedReadOnly(const QFileInfo &target)
{
    constexpr QFileDevice::Permissions writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !target.isWritable() || !(target.permissions() & writeBits);
}

// Opens for reading without ever blocking on a read.
bool openWithoutWaiting(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

} // namespace

SaveResult saveFile(const QString &path, const QByteArray &bytes)
{
    // A file marked read-only is not replaced, although its folder would let
    // the temporary file be renamed over it.
    const QFileInfo target(path);
    QSaveFile file(path);
    if ((target.exists() && (!target.isFile() || markedReadOnly(target))) ||
        !file.open(QIODevice::WriteOnly))
        return {SaveResult::Status::CannotCreate, QFileDevice::NoError};
    // Flushed here and checked: commit() does not notice a flush that wrote
    // only part of the data, and would put the short file in place.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        return {SaveResult::Status::WriteFailed, error};
    }
    return {};
}

SaveResult save(const QString &path, const ConfigFile::Configuration &configuration)
{
    return saveFile(path, ConfigFile::encode(configuration));
}

LoadResult load(const QString &path)
{
    LoadResult result;
    // Checked before opening: opening a FIFO waits for a writer, and a
    // device such as /dev/zero never ends.
    QFile file;
    if (!QFileInfo(path).isFile() || !openWithoutWaiting(file, path)) {
        result.status = LoadResult::Status::CannotOpen;
        return result;
    }
    if (file.size() > ConfigFile::MaxFileSize) {
        result.status = LoadResult::Status::TooLarge;
        return result;
    }
    const QByteArray bytes = file.read(ConfigFile::MaxFileSize + 1);
    // A file that has nothing to give yet (/proc/kmsg stats as a regular
    // file) is not waited for.
    if (file.error() != QFileDevice::NoError) {
        result.status = LoadResult::Status::CannotOpen;
        return result;
    }
    if (bytes.size() > ConfigFile::MaxFileSize) {
        result.status = LoadResult::Status::TooLarge;
        return result;
    }
    ConfigFile::ReadResult read = ConfigFile::decode(bytes);
    if (read.error != ConfigFile::ReadError::None) {
        result.status = LoadResult::Status::Damaged;
        result.readError = read.error;
        return result;
    }
    result.configuration = std::move(read.configuration);
    return result;
}

ConfigFile::Configuration configurationOf(const Session &session)
{
    ConfigFile::Configuration configuration;
    configuration.deviceId = quint32(session.deviceId);
    for (int r = 0; r < session.table.rowCount(); ++r)
        configuration.rows.append(session.table.row(r));
    configuration.link = linkBytes(session.link);
    return configuration;
}

void applyConfiguration(Session &session, const ConfigFile::Configuration &configuration)
{
    session.table.clear();
    for (const RegisterEntry &row : configuration.rows)
        session.table.append(row);
    session.deviceId = int(configuration.deviceId);
    applyLinkBytes(session.link, configuration.link);
}

} // namespace ConfigStore
