#include "register_list_view.h"

#include "cp1251.h"

#include <QHeaderView>

namespace {

// The raw bytes of a cell, next to the text shown.
constexpr int BytesRole = Qt::UserRole;

const char *const captions[RegisterList::ColumnCount] = {"Имя регистра", "Адрес", "Байт", "K1(K2)"};

} // namespace

RegisterListView::RegisterListView(QWidget *parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setColumnCount(ColumnCount);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

int RegisterListView::widthForCaption(int column, int captionLength)
{
    switch (column) {
    case NameColumn:
        return 35 * captionLength;
    case AddressColumn:
        return 7 * captionLength + 18;
    case SizeColumn:
        return 10 * captionLength;
    default:
        return 6 * captionLength + 12;
    }
}

void RegisterListView::insertColumns()
{
    QStringList labels;
    for (const char *caption : captions)
        labels << QString::fromUtf8(caption);
    setHeaderLabels(labels);
    for (int column = 0; column < ColumnCount; ++column)
        setColumnWidth(column, widthForCaption(column, int(labels[column].size())));
}

void RegisterListView::appendItem(const QByteArray &name)
{
    auto *item = new QTreeWidgetItem(this);
    for (int column = 0; column < ColumnCount; ++column) {
        item->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
        item->setData(column, BytesRole, QByteArray());
    }
    item->setText(NameColumn, fromCp1251(name));
    item->setData(NameColumn, BytesRole, name);
    item->setSelected(true);
}

QByteArray RegisterListView::text(int row, int column) const
{
    const QTreeWidgetItem *item = topLevelItem(row);
    if (!item || column < 0 || column >= ColumnCount)
        return {};
    return item->data(column, BytesRole).toByteArray();
}

void RegisterListView::setText(int row, int column, const QByteArray &text)
{
    QTreeWidgetItem *item = topLevelItem(row);
    if (!item || column < 0 || column >= ColumnCount)
        return;
    item->setData(column, BytesRole, text);
    item->setText(column, fromCp1251(text));
}

bool RegisterListView::isSelected(int row) const
{
    const QTreeWidgetItem *item = topLevelItem(row);
    return item && item->isSelected();
}

void RegisterListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    emit listDoubleClicked();
}
