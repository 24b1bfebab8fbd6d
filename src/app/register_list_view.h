#pragma once

#include <QTreeView>

class RegisterListModel;

// The main window's register list: a report list of four left-aligned
// columns, several rows selectable, nothing sorted or edited in place. Every
// row appended comes in selected.
class RegisterListView : public QTreeView
{
    Q_OBJECT

public:
    explicit RegisterListView(QWidget *parent = nullptr);

    void setListModel(RegisterListModel *model);
    // Sets the column widths from the captions' lengths.
    void insertColumns();

    // The first selected row scanning from row 0; -1 when none is selected.
    [[nodiscard]] int firstSelectedRow() const;
    [[nodiscard]] bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);

    // Pixel width of a column from the character count of its caption.
    [[nodiscard]] static int widthForCaption(int column, int captionLength);

signals:
    // A double click anywhere in the list, on a row or not.
    void listDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
