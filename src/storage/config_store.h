#pragma once

#include "config_file.h"

#include <QFileDevice>
#include <QString>
#include <functional>

class QFile;
class QIODevice;

struct Session;

// Configuration files on disk. A save goes through a temporary file beside
// the target, so a save that fails leaves the file it would have replaced as
// it was. A load reads and checks the whole file before anything changes.
namespace ConfigStore {

struct SaveResult
{
    enum class Status
    {
        Saved,
        CannotCreate, // the file cannot be created or replaced
        WriteFailed,  // writing failed part way; fileError says why
    };
    Status status = Status::Saved;
    QFileDevice::FileError fileError = QFileDevice::NoError;
    QString reason; // why, in the system's words where it gave any
};

struct LoadResult
{
    enum class Status
    {
        Loaded,
        CannotOpen, // no such file, not a regular file, not readable
        TooLarge,   // larger than any configuration file
        Damaged,    // readError says how
    };
    Status status = Status::Loaded;
    ConfigFile::ReadError readError = ConfigFile::ReadError::None;
    QString reason;                          // with CannotOpen: why, in the system's words
    ConfigFile::Configuration configuration; // complete only when Loaded
};

[[nodiscard]] SaveResult save(const QString &path, const ConfigFile::Configuration &configuration);
// Any file the program writes goes through here: the temporary file, the
// checked flush, and a target marked read-only kept as it is.
[[nodiscard]] SaveResult saveFile(const QString &path, const QByteArray &bytes);
// The same for a file written in pieces: write puts them into the temporary
// file and says whether it could.
[[nodiscard]] SaveResult saveFile(const QString &path,
                                  const std::function<bool(QIODevice &)> &write);
[[nodiscard]] LoadResult load(const QString &path);
// A file's whole content, read without waiting: only a regular file is read,
// and one with nothing to give yet (/proc/kmsg) is not waited for. False,
// with why in the system's words, when it cannot be read.
[[nodiscard]] bool readWhole(const QString &path, QByteArray &bytes, QString &why);
// Opens a regular file for reading as readWhole does, to be read in pieces.
[[nodiscard]] bool openForReading(QFile &file, const QString &path, QString &why);
// Loads a configuration file into session as the tool does: false, with the
// message for the user in problem, when it cannot be read or is refused.
[[nodiscard]] bool loadSession(const QString &path, Session &session, QString &problem);
// Why path cannot be a file the program writes (it exists and is not a
// regular file, or is marked read-only); empty when it can be.
[[nodiscard]] QString whyNotReplaceable(const QString &path);

// What a session holds, as a file stores it: the table's texts, not the list's.
[[nodiscard]] ConfigFile::Configuration configurationOf(const Session &session);
// Replaces the session's table, device ID and link settings by a file's.
void applyConfiguration(Session &session, const ConfigFile::Configuration &configuration);

} // namespace ConfigStore
