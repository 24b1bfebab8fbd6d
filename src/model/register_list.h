#pragma once

#include <QByteArray>
#include <QList>

// The main window's register list as the register table sees it: rows of four
// column texts (name, address, bytes, coefficient) in code page 1251, each row
// selectable. The window supplies a widget behind this; tests and headless
// tools use MemoryRegisterList.
class RegisterList
{
public:
    enum Column
    {
        NameColumn = 0,
        AddressColumn = 1,
        SizeColumn = 2,
        CoefficientColumn = 3
    };
    static constexpr int ColumnCount = 4;

    virtual ~RegisterList() = default;

    virtual int count() const = 0;
    virtual void clear() = 0;
    // Adds a row at the end, selected, with the name and empty other columns.
    virtual void appendItem(const QByteArray &name) = 0;
    virtual QByteArray text(int row, int column) const = 0;
    virtual void setText(int row, int column, const QByteArray &text) = 0;
    virtual bool isSelected(int row) const = 0;
};

// The first selected row scanning from row 0; -1 when none is selected.
int firstSelectedRow(const RegisterList &list);

class MemoryRegisterList : public RegisterList
{
public:
    int count() const override { return int(rows.size()); }
    void clear() override { rows.clear(); }
    void appendItem(const QByteArray &name) override;
    QByteArray text(int row, int column) const override;
    void setText(int row, int column, const QByteArray &text) override;
    bool isSelected(int row) const override;
    void setSelected(int row, bool selected);

private:
    struct Row
    {
        QByteArray texts[ColumnCount];
        bool selected = true;
    };
    bool isCell(int row, int column) const;

    QList<Row> rows;
};
