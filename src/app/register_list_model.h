#pragma once

#include <QAbstractTableModel>

class RegisterTable;

// The register list's rows: the listed rows of the register table, four
// left-aligned columns (name, address, bytes, coefficient) with the texts
// each row shows, decoded from code page 1251. It follows the table's
// signals; the table stays the only store of the texts.
class RegisterListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RegisterListModel(RegisterTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The column captions.
    [[nodiscard]] static QString caption(int column);

private:
    RegisterTable &table;
};
