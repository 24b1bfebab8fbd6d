#pragma once

#include "config_comparison.h"

#include <QString>
#include <optional>

class FileChooser;
class LinkSettingsEditor;
class UserMessages;
struct Session;

// The Save and Open commands of the window: the file dialogs, the fields
// taken before and shown after, and a message for every file that cannot be
// written or read. An opened file replaces the session whole or not at all.
class FileCommands
{
public:
    FileCommands(FileChooser &chooser, UserMessages &messages, Session &session,
                 LinkSettingsEditor &link);

    void saveConfiguration();
    void loadConfiguration();
    // Open without the dialog: the file at path, with Open's checks and
    // messages.
    void loadFile(const QString &path);
    // What the window holds (the fields as they show, the rows as a write
    // would send them) against a file the user picks, both as the device
    // stores them. Nothing when the user cancels or the file is refused
    // (with Open's message). The session is left as it was.
    [[nodiscard]] std::optional<QList<ConfigComparison::Difference>> compareWithFile();

private:
    FileChooser &chooser;
    UserMessages &messages;
    Session &session;
    LinkSettingsEditor &link;
};
