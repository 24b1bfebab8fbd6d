#pragma once

#include "register_entry.h"
#include "register_list.h"

#include <QByteArray>
#include <QList>

// The register model of one transducer: Parameter rows first, in list order
// (table row k is list item k), then the Calibration rows. The table and the
// register list change together; every operation here keeps them in step.
class RegisterTable
{
public:
    // Configuration files count rows in one byte and the device image is
    // sized for at most this many registers.
    static constexpr int MaxRows = 63;

    explicit RegisterTable(RegisterList &list);

    void clear();
    // Adds a row; a Parameter row also becomes the next list item, selected.
    // A Parameter row goes in after the last Parameter row so that the
    // calibration block stays at the end. Refused (false) when the table is
    // full.
    bool append(const RegisterEntry &entry);

    // Text at position 4r + field (name, address, size, coefficient); empty
    // past the end.
    QByteArray text(int position) const;
    RegisterEntry row(int r) const;
    RegisterKind kind(int r) const;

    // List item k's four column texts replace the texts of table row k.
    void copyFromList(int k);
    // Stores an edited row in list item k and table row k; name and kind stay.
    void setRow(int k, const QByteArray &address, const QByteArray &size,
                const QByteArray &coefficient);
    // A new address text for list item k and table row k.
    void setAddress(int k, const QByteArray &address);
    // Re-lays the listed rows contiguously from row 0 for a memory-cell size.
    void relayoutAddresses(int cellSize);

    int rowCount() const { return int(rows.size()); }
    int parameterCount() const { return list.count(); }
    RegisterList &registerList() { return list; }

    static bool isSpecialRegister(QByteArrayView name);
    static QByteArray textFromCoefficient(double coefficient, bool special);
    static double coefficientFromText(QByteArrayView text, bool special);
    static int addressUnits(int size, int cellSize);

private:
    bool isListedRow(int k) const;

    RegisterList &list;
    QList<RegisterEntry> rows;
};
