#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// A commissioning journal read back: one entry per line that holds one, a
// summary line per entry and the counts, and a printable page of it all.
namespace CommissionReport {

struct Journal
{
    QList<QJsonObject> entries;
    QList<int> badLines; // numbered from 1
};

[[nodiscard]] Journal read(const QByteArray &bytes);
// One line per entry, then the counts.
[[nodiscard]] QString text(const Journal &journal);
// A page with no script and no outside resource, for the screen and A4.
[[nodiscard]] QByteArray html(const Journal &journal, const QString &journalName);

} // namespace CommissionReport
