#pragma once

#include <QString>

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

private:
    FileChooser &chooser;
    UserMessages &messages;
    Session &session;
    LinkSettingsEditor &link;
};
