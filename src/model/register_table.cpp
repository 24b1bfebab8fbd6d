#include "register_table.h"

#include "cp1251.h"
#include "text_number.h"

RegisterTable::RegisterTable(QObject *parent) : QObject(parent) {}

void RegisterTable::clear()
{
    emit aboutToBeCleared();
    rows.clear();
    listed = 0;
    ++clearCount;
    emit cleared();
}

void RegisterTable::setShown(Row &row, const QByteArray &address, const QByteArray &size,
                             const QByteArray &coefficient)
{
    row.shown[0] = address;
    row.shown[1] = size;
    row.shown[2] = coefficient;
}

bool RegisterTable::append(const RegisterEntry &entry)
{
    if (rows.size() >= MaxRows)
        return false;
    Row row{entry, {}};
    setShown(row, entry.address, entry.size, entry.coefficient);
    if (entry.kind == RegisterKind::Calibration) {
        rows.append(row);
        return true;
    }
    const int k = listed;
    emit listedRowAboutToBeAppended(k);
    rows.insert(k, row);
    ++listed;
    emit listedRowAppended(k);
    return true;
}

RegisterEntry RegisterTable::row(int r) const
{
    return r >= 0 && r < rows.size() ? rows[r].entry : RegisterEntry();
}

RegisterKind RegisterTable::kind(int r) const
{
    return row(r).kind;
}

bool RegisterTable::isListedRow(int k) const
{
    return k >= 0 && k < listed;
}

QByteArray RegisterTable::shownText(int k, Column column) const
{
    if (!isListedRow(k))
        return QByteArray();
    if (column == Column::Name)
        return rows[k].entry.name;
    return rows[k].shown[int(column) - 1];
}

void RegisterTable::showDeviceValues(int k, const QByteArray &address, const QByteArray &size,
                                     const QByteArray &coefficient)
{
    if (!isListedRow(k))
        return;
    setShown(rows[k], address, size, coefficient);
    emit listedRowsChanged(k, k);
}

void RegisterTable::copyFromList(int k)
{
    if (!isListedRow(k))
        return;
    Row &row = rows[k];
    row.entry.address = row.shown[0];
    row.entry.size = row.shown[1];
    row.entry.coefficient = row.shown[2];
}

void RegisterTable::setRow(int k, const QByteArray &address, const QByteArray &size,
                           const QByteArray &coefficient)
{
    if (!isListedRow(k))
        return;
    Row &row = rows[k];
    setShown(row, address, size, coefficient);
    row.entry.address = address;
    row.entry.size = size;
    row.entry.coefficient = coefficient;
    emit listedRowsChanged(k, k);
}

void RegisterTable::setAddress(int k, const QByteArray &address)
{
    if (!isListedRow(k))
        return;
    rows[k].entry.address = address;
    rows[k].shown[0] = address;
    emit listedRowsChanged(k, k);
}

void RegisterTable::relayoutAddresses(int cellSize)
{
    if (listed < 2)
        return;
    qint64 address = TextNumber::parseHex(rows[0].entry.address) & 0xFFFF;
    for (int k = 1; k < listed; ++k) {
        address += addressUnits(TextNumber::parseInt(rows[k - 1].entry.size), cellSize);
        address = ((address % 0x10000) + 0x10000) % 0x10000;
        const QByteArray text = TextNumber::formatHex4(quint32(address)) + ' ';
        rows[k].entry.address = text;
        rows[k].shown[0] = text;
    }
    emit listedRowsChanged(1, listed - 1);
}

QList<RegisterTable::ListedAddress> RegisterTable::listedAddresses() const
{
    QList<ListedAddress> addresses;
    for (int k = 0; k < listed; ++k)
        addresses.append({rows[k].entry.address, rows[k].shown[0]});
    return addresses;
}

void RegisterTable::restoreListedAddresses(const QList<ListedAddress> &addresses)
{
    const int count = std::min(listed, int(addresses.size()));
    for (int k = 0; k < count; ++k) {
        rows[k].entry.address = addresses[k].stored;
        rows[k].shown[0] = addresses[k].shown;
    }
    if (count > 0)
        emit listedRowsChanged(0, count - 1);
}

int RegisterTable::addressUnits(int size, int cellSize)
{
    // A cell size of 0 can arrive from a device or a file; it counts as 1,
    // the value the cell-size field clamps it to.
    const int cell = cellSize <= 0 ? 1 : cellSize;
    return size / cell + (size % cell != 0 ? 1 : 0);
}
