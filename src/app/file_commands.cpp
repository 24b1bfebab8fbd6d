#include "file_commands.h"

#include "config_image.h"
#include "config_store.h"
#include "file_chooser.h"
#include "file_messages.h"
#include "link_settings_editor.h"
#include "session.h"
#include "user_messages.h"

#include <QFileInfo>

FileCommands::FileCommands(FileChooser &chooser, UserMessages &messages, Session &session,
                           LinkSettingsEditor &link)
    : chooser(chooser), messages(messages), session(session), link(link)
{
}

void FileCommands::saveConfiguration()
{
    link.takeFields();
    if (const std::optional<QString> path = chooser.saveFileName()) {
        session.configFileName = QFileInfo(*path).fileName();
        const ConfigStore::SaveResult result =
            ConfigStore::save(*path, ConfigStore::configurationOf(session));
        if (result.status != ConfigStore::SaveResult::Status::Saved)
            messages.show(FileMessages::saveRefusal(result, *path));
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
    loadFile(*path);
}

void FileCommands::loadFile(const QString &path)
{
    session.configFileName = QFileInfo(path).fileName();
    const ConfigStore::LoadResult result = ConfigStore::load(path);
    if (result.status != ConfigStore::LoadResult::Status::Loaded) {
        messages.show(FileMessages::loadRefusal(result, path));
        link.showFields();
        return;
    }
    // A file is shown and held as stored, as a device's answer is: a cell
    // size it brings does not lay its addresses out again.
    ConfigStore::applyConfiguration(session, result.configuration);
    link.showLinkChoices();
    link.showFields();
}

std::optional<QList<ConfigComparison::Difference>> FileCommands::compareWithFile()
{
    const std::optional<QString> path = chooser.openFileName();
    if (!path)
        return std::nullopt;
    const ConfigStore::LoadResult result = ConfigStore::load(*path);
    if (result.status != ConfigStore::LoadResult::Status::Loaded) {
        messages.show(FileMessages::loadRefusal(result, *path));
        return std::nullopt;
    }
    Session file;
    ConfigStore::applyConfiguration(file, result.configuration);
    // The fields are read as a write would read them, and the session is
    // given back what it held.
    const LinkSettings held = session.link;
    const QString heldName = session.configFileName;
    std::optional<QList<ConfigComparison::Difference>> differences;
    if (link.takeFields())
        differences = ConfigComparison::differences(session, ConfigImage::buildImage(session), file,
                                                    ConfigImage::buildImage(file));
    session.link = held;
    session.configFileName = heldName;
    return differences;
}
