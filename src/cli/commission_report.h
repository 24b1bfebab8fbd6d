#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// A commissioning journal read back: one entry per line that holds one, a
// summary line per entry and the counts, and a printable page of it all.
namespace CommissionReport {

// A line that is no entry: not a JSON object, without a required field, or
// with a field of the wrong type or out of its range.
struct BadLine
{
    int line = 0;  // numbered from 1
    QString field; // the field at fault; empty when the line is no entry at all
};

struct Journal
{
    QList<QJsonObject> entries;
    QList<BadLine> badLines;
};

[[nodiscard]] Journal read(const QByteArray &bytes);
// One line per entry, then the counts.
[[nodiscard]] QString text(const Journal &journal);
// A page with no script and no outside resource, for the screen and A4.
[[nodiscard]] QByteArray html(const Journal &journal, const QString &journalName);

} // namespace CommissionReport
