#include "file_messages.h"

namespace FileMessages {
namespace {

UserMessage refusal(const QString &text)
{
    return {errorCaption(), text, MessageIcon::Exclamation};
}

// The framework's wording for a file error, naming the file.
QString fileErrorText(QFileDevice::FileError error, const QString &path)
{
    switch (error) {
    case QFileDevice::ResourceError:
        return QStringLiteral("Disk full while accessing %1.").arg(path);
    case QFileDevice::PermissionsError:
        return QStringLiteral("Access to %1 was denied.").arg(path);
    default:
        return QStringLiteral("An unknown error occurred while accessing %1.").arg(path);
    }
}

} // namespace

QString notRegularFileText()
{
    return QStringLiteral("это не обычный файл");
}

QString cannotCreateText(const QString &path)
{
    return QStringLiteral("%1 %2").arg(QStringLiteral("Не могу создать файл "), path);
}

QString cannotCreateText(const QString &path, const QString &reason)
{
    return reason.isEmpty() ? QStringLiteral("Не могу создать файл %1").arg(path)
                            : QStringLiteral("Не могу создать файл %1: %2").arg(path, reason);
}

QString cannotReadText(const QString &path, const QString &reason)
{
    return QStringLiteral("Не могу прочитать файл %1: %2").arg(path, reason);
}

UserMessage loadRefusal(const ConfigStore::LoadResult &result, const QString &path)
{
    using Status = ConfigStore::LoadResult::Status;
    switch (result.status) {
    case Status::Loaded:
    case Status::CannotOpen:
        break;
    case Status::TooLarge:
        return refusal(QStringLiteral("Файл слишком велик для файла конфигурации"));
    case Status::Damaged:
        switch (result.readError) {
        case ConfigFile::ReadError::None:
        case ConfigFile::ReadError::PastEnd:
            return {programName(),
                    QStringLiteral("An attempt was made to access an unnamed file past its end."),
                    MessageIcon::Stop};
        case ConfigFile::ReadError::TooManyRows:
            return refusal(QStringLiteral("В файле больше 63 регистров"));
        case ConfigFile::ReadError::TrailingBytes:
            return refusal(QStringLiteral("После конфигурации в файле есть лишние данные"));
        }
        break;
    }
    return refusal(cannotCreateText(path));
}

UserMessage saveRefusal(const ConfigStore::SaveResult &result, const QString &path)
{
    if (result.status == ConfigStore::SaveResult::Status::WriteFailed)
        return {programName(), fileErrorText(result.fileError, path), MessageIcon::Exclamation};
    return refusal(cannotCreateText(path));
}

} // namespace FileMessages
