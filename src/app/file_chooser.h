#pragma once

#include <QString>
#include <optional>

// The open and save file dialogs: the full path chosen, or nothing when the
// user cancels. The window shows the platform's dialogs; tests answer here.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    virtual std::optional<QString> openFileName() = 0;
    // Has the user confirm before an existing file is replaced.
    virtual std::optional<QString> saveFileName() = 0;
};
