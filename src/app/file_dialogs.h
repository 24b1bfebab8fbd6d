#pragma once

#include "file_chooser.h"

class QWidget;

// The platform's open and save dialogs for configuration files: one filter,
// "*.dat", the suffix "dat" added to a name typed without one, the name box
// empty at the start.
class FileDialogs : public FileChooser
{
public:
    explicit FileDialogs(QWidget *parent) : parent(parent) {}
    std::optional<QString> openFileName() override;
    std::optional<QString> saveFileName() override;

private:
    std::optional<QString> choose(bool save);

    QWidget *parent;
};
