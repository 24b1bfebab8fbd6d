#include "register_table.h"

#include "cp1251.h"
#include "text_number.h"

RegisterTable::RegisterTable(RegisterList &list) : list(list) {}

void RegisterTable::clear()
{
    list.clear();
    rows.clear();
}

bool RegisterTable::append(const RegisterEntry &entry)
{
    if (rows.size() >= MaxRows)
        return false;
    if (entry.kind == RegisterKind::Calibration) {
        rows.append(entry);
        return true;
    }
    const int item = list.count();
    rows.insert(item, entry);
    list.appendItem(entry.name);
    list.setText(item, RegisterList::AddressColumn, entry.address);
    list.setText(item, RegisterList::SizeColumn, entry.size);
    list.setText(item, RegisterList::CoefficientColumn, entry.coefficient);
    return true;
}

QByteArray RegisterTable::text(int position) const
{
    if (position < 0 || position / 4 >= rows.size())
        return QByteArray();
    const RegisterEntry &entry = rows[position / 4];
    switch (position % 4) {
    case 0:
        return entry.name;
    case 1:
        return entry.address;
    case 2:
        return entry.size;
    default:
        return entry.coefficient;
    }
}

RegisterEntry RegisterTable::row(int r) const
{
    return r >= 0 && r < rows.size() ? rows[r] : RegisterEntry();
}

RegisterKind RegisterTable::kind(int r) const
{
    return row(r).kind;
}

bool RegisterTable::isListedRow(int k) const
{
    return k >= 0 && k < list.count() && k < rows.size();
}

void RegisterTable::copyFromList(int k)
{
    if (!isListedRow(k))
        return;
    RegisterEntry &entry = rows[k];
    entry.name = list.text(k, RegisterList::NameColumn);
    entry.address = list.text(k, RegisterList::AddressColumn);
    entry.size = list.text(k, RegisterList::SizeColumn);
    entry.coefficient = list.text(k, RegisterList::CoefficientColumn);
}

void RegisterTable::setRow(int k, const QByteArray &address, const QByteArray &size,
                           const QByteArray &coefficient)
{
    if (!isListedRow(k))
        return;
    list.setText(k, RegisterList::AddressColumn, address);
    list.setText(k, RegisterList::SizeColumn, size);
    list.setText(k, RegisterList::CoefficientColumn, coefficient);
    rows[k].address = address;
    rows[k].size = size;
    rows[k].coefficient = coefficient;
}

void RegisterTable::setAddress(int k, const QByteArray &address)
{
    if (!isListedRow(k))
        return;
    list.setText(k, RegisterList::AddressColumn, address);
    rows[k].address = address;
}

void RegisterTable::relayoutAddresses(int cellSize)
{
    const int count = std::min<int>(parameterCount(), int(rows.size()));
    if (count < 2)
        return;
    qint64 address = TextNumber::parseHex(rows[0].address) & 0xFFFF;
    for (int k = 1; k < count; ++k) {
        address += addressUnits(TextNumber::parseInt(rows[k - 1].size), cellSize);
        address = ((address % 0x10000) + 0x10000) % 0x10000;
        const QByteArray text = TextNumber::formatHex4(quint32(address)) + ' ';
        rows[k].address = text;
        list.setText(k, RegisterList::AddressColumn, text);
    }
}

bool RegisterTable::isSpecialRegister(QByteArrayView name)
{
    static const QByteArray markers[] = {
        toCp1251(u"Частота"), "Wrst", "te", "Wp+", "Wp-", "Wq+", "Wq-",
    };
    for (const QByteArray &marker : markers) {
        if (name.contains(marker))
            return true;
    }
    return false;
}

QByteArray RegisterTable::textFromCoefficient(double coefficient, bool special)
{
    const double units = coefficient * 5000;
    return special ? TextNumber::formatFixed(units * 0.0002, 3) : TextNumber::formatFixed(units, 0);
}

double RegisterTable::coefficientFromText(QByteArrayView text, bool special)
{
    const double x = TextNumber::parseReal(text) * 0.0002;
    return special ? x * 5000 : x;
}

int RegisterTable::addressUnits(int size, int cellSize)
{
    // A cell size of 0 can arrive from a device or a file; it counts as 1,
    // the value the cell-size field clamps it to.
    const int cell = cellSize <= 0 ? 1 : cellSize;
    return size / cell + (size % cell != 0 ? 1 : 0);
}
