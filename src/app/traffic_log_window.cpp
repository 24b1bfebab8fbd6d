#include "traffic_log_window.h"

#include "file_messages.h"
#include "traffic_log.h"
#include "traffic_log_model.h"
#include "user_messages.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

TrafficLogWindow::TrafficLogWindow(TrafficLog &log, UserMessages &messages, SaveChooser chooser,
                                   QWidget *parent)
    : QDialog(parent), log(log), messages(messages), chooser(std::move(chooser)),
      model(new TrafficLogModel(log, this)), table(new QTreeView(this))
{
    setWindowTitle(QStringLiteral("Журнал обмена"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    table->setModel(model);
    table->installEventFilter(this);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->header()->setStretchLastSection(true);
    const QFontMetrics metrics = fontMetrics();
    table->setColumnWidth(TrafficLogModel::Time,
                          metrics.horizontalAdvance(QStringLiteral("00:00:00.000__")));
    table->setColumnWidth(TrafficLogModel::Direction,
                          metrics.horizontalAdvance(QStringLiteral("Направление__")));
    table->setColumnWidth(TrafficLogModel::Characters,
                          metrics.horizontalAdvance(QStringLiteral("Символов__")));
    table->setColumnWidth(TrafficLogModel::Frame, metrics.horizontalAdvance(QString(40, u'0')));

    auto *clear = new QPushButton(QStringLiteral("Очистить"), this);
    auto *save = new QPushButton(QStringLiteral("Сохранить..."), this);
    for (QPushButton *button : {clear, save})
        button->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this] { this->log.clear(); });
    connect(save, &QPushButton::clicked, this, &TrafficLogWindow::saveLog);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addLayout(buttons);
    resize(metrics.horizontalAdvance(QString(130, u'0')), metrics.height() * 30);

    // The view follows new rows while it shows the newest; a user who has
    // scrolled up to read keeps his place.
    QScrollBar *scroll = table->verticalScrollBar();
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, scroll] { followNewest = scroll->value() == scroll->maximum(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (followNewest)
            table->scrollToBottom();
    });
    table->scrollToBottom();
}

TrafficLogWindow::~TrafficLogWindow() = default;

void TrafficLogWindow::saveLog()
{
    const std::optional<QString> path = chooser ? chooser() : [this]() -> std::optional<QString> {
        const QString name =
            QFileDialog::getSaveFileName(this, QString(), QString(), QStringLiteral("*.txt"));
        return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
    }();
    if (!path)
        return;
    QString text;
    for (int i = 0; i < log.size(); ++i)
        text += TrafficFormat::line(log.at(i)) + u'\n';
    const ConfigStore::SaveResult saved = ConfigStore::saveFile(*path, text.toUtf8());
    if (saved.status != ConfigStore::SaveResult::Status::Saved)
        messages.show(FileMessages::saveRefusal(saved, *path));
}

void TrafficLogWindow::copySelection()
{
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QString text;
    for (int row : rows)
        text += TrafficFormat::line(log.at(row)) + u'\n';
    QApplication::clipboard()->setText(text);
}

bool TrafficLogWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The view would copy only its current cell.
    if (watched == table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
