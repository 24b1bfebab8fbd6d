#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QTreeView;
class TrafficLog;
class TrafficLogModel;
class UserMessages;

// The traffic log's window: one row per event, newest at the bottom, kept in
// view unless the user has scrolled up. "Очистить" empties the log,
// "Сохранить..." writes it as UTF-8 text, a line an event with tabs between
// the columns, and Ctrl+C copies the selected rows the same way. It is not
// modal, and it is destroyed when closed, so a closed window costs nothing.
class TrafficLogWindow : public QDialog
{
    Q_OBJECT

public:
    // Where to save: the file dialog unless another chooser is given.
    using SaveChooser = std::function<std::optional<QString>()>;

    TrafficLogWindow(TrafficLog &log, UserMessages &messages, SaveChooser chooser = {},
                     QWidget *parent = nullptr);
    ~TrafficLogWindow() override;

    void saveLog();
    void copySelection();

    QTreeView *view() const { return table; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TrafficLog &log;
    UserMessages &messages;
    SaveChooser chooser;
    TrafficLogModel *model;
    QTreeView *table;
    bool followNewest = true;
};
