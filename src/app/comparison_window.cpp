#include "comparison_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

ComparisonWindow::ComparisonWindow(const QList<ConfigComparison::Difference> &differences,
                                   QWidget *parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Сравнение с файлом"));
    auto *layout = new QVBoxLayout(this);
    if (differences.isEmpty()) {
        layout->addWidget(new QLabel(QStringLiteral("Различий нет"), this));
    } else {
        list = new QTreeWidget(this);
        list->setRootIsDecorated(false);
        list->setHeaderLabels(
            {QStringLiteral("Различие"), QStringLiteral("В окне"), QStringLiteral("В файле")});
        for (const ConfigComparison::Difference &difference : differences) {
            auto *item = new QTreeWidgetItem({difference.what, difference.first, difference.second});
            // A text too long for its column is elided; its tooltip holds it whole.
            for (int column = 0; column < item->columnCount(); ++column)
                item->setToolTip(column, item->text(column));
            list->addTopLevelItem(item);
        }
        // The columns share the window's width: no sideways scroll, however
        // long the texts of another model's table.
        list->header()->setSectionResizeMode(QHeaderView::Stretch);
        list->header()->setStretchLastSection(true);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setTextElideMode(Qt::ElideMiddle);
        list->setMinimumWidth(560);
        layout->addWidget(list);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
