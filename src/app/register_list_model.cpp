#include "register_list_model.h"

#include "cp1251.h"
#include "display_texts.h"
#include "register_table.h"

RegisterListModel::RegisterListModel(RegisterTable &table, QObject *parent)
    : QAbstractTableModel(parent), table(table)
{
    connect(&table, &RegisterTable::aboutToBeCleared, this, &RegisterListModel::beginResetModel);
    connect(&table, &RegisterTable::cleared, this, &RegisterListModel::endResetModel);
    connect(&table, &RegisterTable::listedRowAboutToBeAppended, this,
            [this](int k) { beginInsertRows(QModelIndex(), k, k); });
    connect(&table, &RegisterTable::listedRowAppended, this, [this] { endInsertRows(); });
    connect(&table, &RegisterTable::listedRowsChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, RegisterTable::ColumnCount - 1));
    });
}

QString RegisterListModel::caption(int column)
{
    if (column < 0 || column >= RegisterTable::ColumnCount)
        return QString();
    return DisplayTexts::columnCaptions().at(column);
}

int RegisterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : table.parameterCount();
}

int RegisterListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RegisterTable::ColumnCount;
}

QVariant RegisterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= table.parameterCount())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    return fromCp1251(table.shownText(index.row(), RegisterTable::Column(index.column())));
}

QVariant RegisterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return caption(section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
}
