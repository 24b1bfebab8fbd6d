#include "config_store.h"

#include "file_messages.h"
#include "session.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

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

// Opens for reading without ever blocking on a read; why says why not.
bool openWithoutWaiting(QFile &file, const QString &path, QString &why)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = qt_error_string(errno);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    why = file.errorString();
    return false;
#endif
}

} // namespace

QString whyNotReplaceable(const QString &path)
{
    // A file marked read-only is not replaced, although its folder would let
    // the temporary file be renamed over it.
    const QFileInfo target(path);
    if (!target.exists())
        return {};
    if (!target.isFile())
        return FileMessages::notRegularFileText();
    return markedReadOnly(target) ? QStringLiteral("файл только для чтения") : QString();
}

SaveResult saveFile(const QString &path, const QByteArray &bytes)
{
    return saveFile(path, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); });
}

SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    if (QString why = whyNotReplaceable(path); !why.isEmpty())
        return {SaveResult::Status::CannotCreate, QFileDevice::NoError, why};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {SaveResult::Status::CannotCreate, file.error(), file.errorString()};
    // Flushed here and checked: commit() does not notice a flush that wrote
    // only part of the data, and would put the short file in place.
    if (!write(file) || !file.flush() || !file.commit()) {
        const SaveResult failed{SaveResult::Status::WriteFailed, file.error(), file.errorString()};
        file.cancelWriting();
        return failed;
    }
    return {};
}

SaveResult save(const QString &path, const ConfigFile::Configuration &configuration)
{
    return saveFile(path, ConfigFile::encode(configuration));
}

bool openForReading(QFile &file, const QString &path, QString &why)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        why = info.exists() ? FileMessages::notRegularFileText() : qt_error_string(ENOENT);
        return false;
    }
    return openWithoutWaiting(file, path, why);
}

bool readWhole(const QString &path, QByteArray &bytes, QString &why)
{
    QFile file;
    if (!openForReading(file, path, why))
        return false;
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        why = file.errorString();
        return false;
    }
    return true;
}

LoadResult load(const QString &path)
{
    LoadResult result;
    // Checked before opening: opening a FIFO waits for a writer, and a
    // device such as /dev/zero never ends.
    QFile file;
    const QFileInfo info(path);
    if (!info.isFile()) {
        result.status = LoadResult::Status::CannotOpen;
        result.reason =
            info.exists() ? FileMessages::notRegularFileText() : qt_error_string(ENOENT);
        return result;
    }
    if (!openWithoutWaiting(file, path, result.reason)) {
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
        result.reason = file.errorString();
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

bool loadSession(const QString &path, Session &session, QString &problem)
{
    const LoadResult result = load(path);
    if (result.status == LoadResult::Status::CannotOpen) {
        problem = FileMessages::cannotReadText(path, result.reason);
        return false;
    }
    if (result.status != LoadResult::Status::Loaded) {
        problem = FileMessages::loadRefusal(result, path).text;
        return false;
    }
    applyConfiguration(session, result.configuration);
    session.configFileName = QFileInfo(path).fileName();
    return true;
}

} // namespace ConfigStore
