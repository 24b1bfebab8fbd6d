#include "register_list.h"

int firstSelectedRow(const RegisterList &list)
{
    for (int row = 0; row < list.count(); ++row) {
        if (list.isSelected(row))
            return row;
    }
    return -1;
}

void MemoryRegisterList::appendItem(const QByteArray &name)
{
    Row row;
    row.texts[NameColumn] = name;
    rows.append(row);
}

bool MemoryRegisterList::isCell(int row, int column) const
{
    return row >= 0 && row < rows.size() && column >= 0 && column < ColumnCount;
}

QByteArray MemoryRegisterList::text(int row, int column) const
{
    return isCell(row, column) ? rows[row].texts[column] : QByteArray();
}

void MemoryRegisterList::setText(int row, int column, const QByteArray &text)
{
    if (isCell(row, column))
        rows[row].texts[column] = text;
}

bool MemoryRegisterList::isSelected(int row) const
{
    return row >= 0 && row < rows.size() && rows[row].selected;
}

void MemoryRegisterList::setSelected(int row, bool selected)
{
    if (row >= 0 && row < rows.size())
        rows[row].selected = selected;
}
