#pragma once

#include "config_store.h"
#include "user_messages.h"

#include <QString>

// What the user is told when a configuration file cannot be opened or
// saved: the same words in the window and in the command-line tool.
namespace FileMessages {

// "Не могу создать файл " and the full path: the text for a file that
// cannot be created, and for one that cannot be opened.
[[nodiscard]] QString cannotCreateText(const QString &path);
// The command-line tool's words for a file it cannot create or read, with
// the system's reason where there is one.
[[nodiscard]] QString cannotCreateText(const QString &path, const QString &reason);
[[nodiscard]] QString cannotReadText(const QString &path, const QString &reason);

// Why a path that is not a regular file (a FIFO, a device, a folder) is
// neither read nor written.
[[nodiscard]] QString notRegularFileText();

// The message for a load that did not give a configuration.
[[nodiscard]] UserMessage loadRefusal(const ConfigStore::LoadResult &result, const QString &path);

// The message for a save that did not put the file in place.
[[nodiscard]] UserMessage saveRefusal(const ConfigStore::SaveResult &result, const QString &path);

} // namespace FileMessages
