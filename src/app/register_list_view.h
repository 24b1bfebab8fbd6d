#pragma once

#include "register_list.h"

#include <QTreeWidget>

// The main window's register list: a report list of four left-aligned
// columns, several rows selectable, nothing sorted or edited in place. It
// keeps the code-page-1251 texts it was given and shows them decoded.
class RegisterListView : public QTreeWidget, public RegisterList
{
    Q_OBJECT

public:
    explicit RegisterListView(QWidget *parent = nullptr);

    // Sets the column captions and their widths from the captions' lengths.
    void insertColumns();

    int count() const override { return topLevelItemCount(); }
    void clear() override { QTreeWidget::clear(); }
    void appendItem(const QByteArray &name) override;
    QByteArray text(int row, int column) const override;
    void setText(int row, int column, const QByteArray &text) override;
    bool isSelected(int row) const override;

    // Pixel width of a column from the character count of its caption.
    static int widthForCaption(int column, int captionLength);

signals:
    // A double click anywhere in the list, on a row or not.
    void listDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
