#include "commission_journal.h"

bool CommissionJournalReader::next(Entry &entry, CommissionRecord::Detail detail)
{
    bool tooLong = false;
    if (!lines.next(line, tooLong))
        return false;
    entry.line = ++number;
    entry.faultyField.clear();
    entry.record =
        tooLong ? std::nullopt : CommissionRecord::fromJson(line, entry.faultyField, detail);
    return true;
}
