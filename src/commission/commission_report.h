#pragma once

#include "commission_record.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryFile>

class QIODevice;

// The report of a commissioning journal, built in one pass over it: a line
// of text per entry, the counts, and a printable page. Only what the page's
// head needs is held (the counts, the span of time, the summary rows, the
// references used); each entry's section goes to a temporary file as it
// comes, so that a journal of any length is reported in little memory.
class CommissionReport
{
public:
    // journalName names the journal in the page's title. Without a page,
    // nothing is spooled.
    CommissionReport(const QString &journalName, bool withPage);

    // Takes one entry; false when its section could not be spooled
    // (errorString says why).
    [[nodiscard]] bool add(const CommissionRecord &record);
    // The counts: "Настроено: 1, не удалось: 4, отказано: 3".
    [[nodiscard]] QString countsText() const;
    // Writes the page: no script and no outside resource, for the screen
    // and A4. False when the device or the spool failed.
    [[nodiscard]] bool writePage(QIODevice &device);
    [[nodiscard]] QString errorString() const { return error; }

    // The text line of one entry.
    [[nodiscard]] static QString textLine(const CommissionRecord &record);

private:
    QString journalName;
    bool withPage;
    QTemporaryFile spool;
    QString error;
    int counts[3] = {0, 0, 0};
    int entries = 0;
    QString firstTime;
    QString lastTime;
    QByteArray rows; // the summary table's rows, as UTF-8
    // Each reference used, by the text that names it, with its entry count.
    QMap<QString, int> references;
};
