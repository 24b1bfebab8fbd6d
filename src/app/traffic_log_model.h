#pragma once

#include <QAbstractTableModel>

class TrafficLog;

// The traffic log's rows for its window: time, direction, characters, frame
// (CR LF shown as \r\n) and meaning. It follows the log's signals.
class TrafficLogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Time,
        Direction,
        Characters,
        Frame,
        Meaning,
        ColumnCount
    };

    explicit TrafficLogModel(TrafficLog &log, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    TrafficLog &log;
};
