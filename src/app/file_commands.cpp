#include "file_commands.h"

#include "config_store.h"
#include "file_chooser.h"
#include "link_settings_editor.h"
#include "session.h"
#include "user_messages.h"

#include <QFileInfo>

namespace {

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

UserMessage loadRefusal(const ConfigStore::LoadResult &result, const QString &path)
{
    using Status = ConfigStore::LoadResult::Status;
    const auto refusal = [](const QString &text) {
        return UserMessage{errorCaption(), text, MessageIcon::Exclamation};
    };
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
    return refusal(FileCommands::cannotCreateText(path));
}

} // namespace

FileCommands::FileCommands(FileChooser &chooser, UserMessages &messages, Session &session,
                           LinkSettingsEditor &link)
    : chooser(chooser), messages(messages), session(session), link(link)
{
}

QString FileCommands::cannotCreateText(const QString &path)
{
    return QStringLiteral("%1 %2").arg(QStringLiteral("Не могу создать файл "), path);
}

void FileCommands::saveConfiguration()
{
    link.takeFields();
    if (const std::optional<QString> path = chooser.saveFileName()) {
        session.configFileName = QFileInfo(*path).fileName();
        const ConfigStore::SaveResult result =
            ConfigStore::save(*path, ConfigStore::configurationOf(session));
        switch (result.status) {
        case ConfigStore::SaveResult::Status::Saved:
            break;
        case ConfigStore::SaveResult::Status::CannotCreate:
            messages.show({errorCaption(), cannotCreateText(*path), MessageIcon::Exclamation});
            break;
        case ConfigStore::SaveResult::Status::WriteFailed:
            messages.show(
                {programName(), fileErrorText(result.fileError, *path), MessageIcon::Exclamation});
            break;
        }
    }
    link.showFields();
}

void FileCommands::loadConfiguration()
{
    const std::optional<QString> path = chooser.openFileName();
    if (!path) {
        link.showFields();
        return;
    }
    session.configFileName = QFileInfo(*path).fileName();
    const ConfigStore::LoadResult result = ConfigStore::load(*path);
    if (result.status != ConfigStore::LoadResult::Status::Loaded) {
        messages.show(loadRefusal(result, *path));
        link.showFields();
        return;
    }
    // A file is shown and held as stored, as a device's answer is: a cell
    // size it brings does not lay its addresses out again.
    ConfigStore::applyConfiguration(session, result.configuration);
    link.showLinkChoices();
    link.showFields();
}
