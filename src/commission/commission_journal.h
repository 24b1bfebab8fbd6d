#pragma once

#include "commission_record.h"
#include "journal_file.h"

// The commissioning journal: one record per line, JSON Lines. Appending
// writes each record in one go and syncs it, never rewriting a line (see
// JournalFile); reading gives one entry at a time and never holds the file.
class CommissionJournal
{
public:
    [[nodiscard]] bool open(const QString &path) { return file.open(path); }
    [[nodiscard]] bool isOpen() const { return file.isOpen(); }
    [[nodiscard]] bool append(const CommissionRecord &record)
    {
        return file.append(record.toJsonLine());
    }
    [[nodiscard]] QString errorString() const { return file.errorString(); }

private:
    JournalFile file;
};

// A journal read back, line by line.
class CommissionJournalReader
{
public:
    struct Entry
    {
        int line = 0; // numbered from 1
        std::optional<CommissionRecord> record;
        QString faultyField; // when no record: the field at fault, or empty
    };

    [[nodiscard]] bool open(const QString &path) { return lines.open(path); }
    // The next entry; false at the end or when reading failed (errorString
    // then says why).
    [[nodiscard]] bool next(Entry &entry,
                            CommissionRecord::Detail detail = CommissionRecord::Detail::Whole);
    [[nodiscard]] QString errorString() const { return lines.errorString(); }

private:
    JournalReader lines;
    QByteArray line;
    int number = 0;
};
