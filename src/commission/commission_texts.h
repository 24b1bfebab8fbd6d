#pragma once

#include <QString>

// What commissioning tells the user, in the window and in the command-line
// tool alike.
namespace CommissionTexts {

[[nodiscard]] QString cannotOpenJournal(const QString &path, const QString &why);
[[nodiscard]] QString cannotAppendJournal(const QString &path, const QString &why);
[[nodiscard]] QString cannotReadJournal(const QString &path, const QString &why);
// A journal line that is no record: field is the field at fault, or empty.
[[nodiscard]] QString badJournalLine(const QString &path, int line, const QString &field);
[[nodiscard]] QString reportOverJournal(const QString &path);

[[nodiscard]] QString stored();
[[nodiscard]] QString notStored();
[[nodiscard]] QString unknownLineGone();
[[nodiscard]] QString unknownReadBackFailed();

} // namespace CommissionTexts
