#pragma once

#include "config_file.h"
#include "file_chooser.h"
#include "user_messages.h"

#include <QString>

class LinkSettingsEditor;
class RegisterTable;

// Saving and opening configuration files from the window. A save goes
// through a temporary file, so a save that fails leaves the file it would
// have replaced as it was. An opened file is read and checked whole before
// anything changes: a damaged file is refused and changes nothing.
class ConfigurationFiles
{
public:
    ConfigurationFiles(FileChooser &chooser, UserMessages &messages, RegisterTable &table,
                       LinkSettingsEditor &link, int &deviceId, QString &configFileName);

    void saveConfiguration();
    void loadConfiguration();

    static QString cannotCreateText(const QString &path);

private:
    bool writeFile(const QString &path, const QByteArray &bytes);
    void apply(const ConfigFile::Configuration &configuration);
    void refuse(const QString &text, MessageIcon icon = MessageIcon::Exclamation);

    FileChooser &chooser;
    UserMessages &messages;
    RegisterTable &table;
    LinkSettingsEditor &link;
    int &deviceId;
    QString &configFileName;
};
