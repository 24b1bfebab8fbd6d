#include "file_dialogs.h"

#include <QFileDialog>

std::optional<QString> FileDialogs::openFileName()
{
    return choose(false);
}

std::optional<QString> FileDialogs::saveFileName()
{
    return choose(true);
}

std::optional<QString> FileDialogs::choose(bool save)
{
    QFileDialog dialog(parent);
    dialog.setNameFilter(QStringLiteral("*.dat"));
    dialog.setDefaultSuffix(QStringLiteral("dat"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist may be opened too; the opening reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing an existing file is confirmed (the save mode's default).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
