#include "register_list_view.h"

#include "register_list_model.h"
#include "register_table.h"

#include <QHeaderView>
#include <QItemSelectionModel>

RegisterListView::RegisterListView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The columns keep their widths whatever the style's font: Windows' own
    // would widen the narrow "Байт" column.
    header()->setMinimumSectionSize(1);
}

void RegisterListView::setListModel(RegisterListModel *model)
{
    setModel(model);
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int row = first; row <= last; ++row)
                    setRowSelected(row, true);
            });
}

int RegisterListView::widthForCaption(int column, int captionLength)
{
    switch (RegisterTable::Column(column)) {
    case RegisterTable::Column::Name:
        return 35 * captionLength;
    case RegisterTable::Column::Address:
        return 7 * captionLength + 18;
    case RegisterTable::Column::Size:
        return 10 * captionLength;
    case RegisterTable::Column::Coefficient:
        break;
    }
    return 6 * captionLength + 12;
}

void RegisterListView::insertColumns()
{
    for (int column = 0; column < RegisterTable::ColumnCount; ++column)
        setColumnWidth(column,
                       widthForCaption(column, int(RegisterListModel::caption(column).size())));
}

int RegisterListView::firstSelectedRow() const
{
    if (!model())
        return -1;
    for (int row = 0; row < model()->rowCount(); ++row) {
        if (isRowSelected(row))
            return row;
    }
    return -1;
}

bool RegisterListView::isRowSelected(int row) const
{
    return model() && selectionModel()->isRowSelected(row, QModelIndex());
}

void RegisterListView::setRowSelected(int row, bool selected)
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    selectionModel()->select(model()->index(row, 0), (selected ? QItemSelectionModel::Select
                                                               : QItemSelectionModel::Deselect) |
                                                         QItemSelectionModel::Rows);
}

void RegisterListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit listDoubleClicked();
}
