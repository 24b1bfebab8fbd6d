#pragma once

#include "register_entry.h"

#include <QByteArray>
#include <QList>
#include <QObject>

// The register model of one transducer: Parameter rows first, in list order
// (table row k is list row k), then the Calibration rows. It is the only
// store of the rows' texts.
//
// Each listed row also has the texts the list shows. They equal the table's
// texts except after an accepted write, when the list shows what the device
// stored while the table keeps what was typed; copyFromList makes them one
// again. The signals let a view follow every change of the listed rows.
class RegisterTable : public QObject
{
    Q_OBJECT

public:
    // The columns of the register list.
    enum class Column
    {
        Name = 0,
        Address = 1,
        Size = 2,
        Coefficient = 3
    };
    static constexpr int ColumnCount = 4;

    // Configuration files count rows in one byte and the device image is
    // sized for at most this many registers.
    static constexpr int MaxRows = 63;

    explicit RegisterTable(QObject *parent = nullptr);

    void clear();
    // Adds a row; a Parameter row also becomes the next listed row. A
    // Parameter row goes in after the last Parameter row so that the
    // calibration block stays at the end. Refused (false) when the table is
    // full.
    bool append(const RegisterEntry &entry);

    // Empty past the end.
    [[nodiscard]] RegisterEntry row(int r) const;
    [[nodiscard]] RegisterKind kind(int r) const;
    [[nodiscard]] int rowCount() const { return int(rows.size()); }
    [[nodiscard]] int parameterCount() const { return listed; }

    // What listed row k shows in a column; empty past the list.
    [[nodiscard]] QByteArray shownText(int k, Column column) const;
    // Listed row k shows a device's values; the table's texts stay.
    void showDeviceValues(int k, const QByteArray &address, const QByteArray &size,
                          const QByteArray &coefficient);
    // The texts listed row k shows replace the texts of table row k.
    void copyFromList(int k);
    // Stores an edited row in listed row k and table row k; name and kind stay.
    void setRow(int k, const QByteArray &address, const QByteArray &size,
                const QByteArray &coefficient);
    // A new address for listed row k and table row k.
    void setAddress(int k, const QByteArray &address);
    // Re-lays the listed rows contiguously from row 0 for a memory-cell size.
    void relayoutAddresses(int cellSize);

    // The address texts of the listed rows, as the table holds them and as
    // the list shows them, to be put back after changes that are undone.
    struct ListedAddress
    {
        QByteArray stored;
        QByteArray shown;
    };
    [[nodiscard]] QList<ListedAddress> listedAddresses() const;
    void restoreListedAddresses(const QList<ListedAddress> &addresses);

    // Counts the times the table has been emptied (rebuilt for a device,
    // replaced by a file): an edit begun on one table must not land on the
    // one that replaced it.
    [[nodiscard]] quint64 generation() const { return clearCount; }

    [[nodiscard]] static int addressUnits(int size, int cellSize);

signals:
    void aboutToBeCleared();
    void cleared();
    void listedRowAboutToBeAppended(int k);
    void listedRowAppended(int k);
    // Listed rows first to last show new texts.
    void listedRowsChanged(int first, int last);

private:
    struct Row
    {
        RegisterEntry entry;
        // What the list shows in the address, size and coefficient columns.
        QByteArray shown[3];
    };
    [[nodiscard]] bool isListedRow(int k) const;
    void setShown(Row &row, const QByteArray &address, const QByteArray &size,
                  const QByteArray &coefficient);

    QList<Row> rows;
    int listed = 0;
    quint64 clearCount = 0;
};
