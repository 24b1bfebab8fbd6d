#include "traffic_log_model.h"

#include "traffic_log.h"

TrafficLogModel::TrafficLogModel(TrafficLog &log, QObject *parent)
    : QAbstractTableModel(parent), log(log)
{
    connect(&log, &TrafficLog::aboutToAppend, this,
            [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(&log, &TrafficLog::appended, this, [this] { endInsertRows(); });
    connect(&log, &TrafficLog::aboutToDropOldest, this,
            [this] { beginRemoveRows(QModelIndex(), 0, 0); });
    connect(&log, &TrafficLog::droppedOldest, this, [this] { endRemoveRows(); });
    connect(&log, &TrafficLog::aboutToClear, this, [this] { beginResetModel(); });
    connect(&log, &TrafficLog::cleared, this, [this] { endResetModel(); });
}

int TrafficLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : log.size();
}

int TrafficLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= log.size() || role != Qt::DisplayRole)
        return QVariant();
    const TrafficEvent &event = log.at(index.row());
    switch (index.column()) {
    case Time:
        return event.time.toString(QStringLiteral("hh:mm:ss.zzz"));
    case Direction:
        return TrafficFormat::arrow(event.direction);
    case Characters:
        return qlonglong(event.characterCount());
    case Frame:
        return TrafficFormat::shownFrame(event);
    case Meaning:
        return event.meaning;
    default:
        return QVariant();
    }
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Time:
        return QStringLiteral("Время");
    case Direction:
        return QStringLiteral("Направление");
    case Characters:
        return QStringLiteral("Символов");
    case Frame:
        return QStringLiteral("Кадр");
    case Meaning:
        return QStringLiteral("Содержание");
    default:
        return QVariant();
    }
}
