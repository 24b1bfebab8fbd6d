#pragma once

#include "config_comparison.h"

#include <QDialog>

class QTreeWidget;

// What the window holds next to a configuration file: one row per
// difference, or "Различий нет". It is not modal, and it is destroyed when
// closed.
class ComparisonWindow : public QDialog
{
    Q_OBJECT

public:
    ComparisonWindow(const QList<ConfigComparison::Difference> &differences,
                     QWidget *parent = nullptr);

    // The rows; null when nothing differs.
    [[nodiscard]] QTreeWidget *rows() const { return list; }

private:
    QTreeWidget *list = nullptr;
};
