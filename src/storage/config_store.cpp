#include "config_store.h"

#include "session.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ConfigStore {

SaveResult save(const QString &path, const ConfigFile::Configuration &configuration)
{
    const QByteArray bytes = ConfigFile::encode(configuration);
    // A file marked read-only is not replaced, although its folder would let
    // the temporary file be renamed over it.
    const QFileInfo target(path);
    QSaveFile file(path);
    if ((target.exists() && (!target.isFile() || !target.isWritable())) ||
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

LoadResult load(const QString &path)
{
    LoadResult result;
    // Checked before opening: opening a FIFO waits for a writer, and a
    // device such as /dev/zero never ends.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        result.status = LoadResult::Status::CannotOpen;
        return result;
    }
    if (file.size() > ConfigFile::MaxFileSize) {
        result.status = LoadResult::Status::TooLarge;
        return result;
    }
    ConfigFile::ReadResult read = ConfigFile::decode(file.readAll());
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
