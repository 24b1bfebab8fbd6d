#include "spin_button.h"

#include <QKeyEvent>
#include <QToolButton>

SpinButton::SpinButton(QWidget *parent)
    : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this))
{
    for (QToolButton *button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    setFocusPolicy(Qt::NoFocus);
}

void SpinButton::setBuddy(QLineEdit *field)
{
    if (buddy)
        buddy->removeEventFilter(this);
    buddy = field;
    watchedBuddy = field;
    if (buddy)
        buddy->installEventFilter(this);
}

void SpinButton::setRange(int minimum, int maximum)
{
    low = minimum;
    high = maximum;
    position = std::clamp(position, low, high);
}

int SpinButton::currentPosition()
{
    if (stepOrigin) {
        position = std::clamp(stepOrigin(), low, high);
        return position;
    }
    // A field that holds no number in range leaves the last position.
    bool ok = false;
    const int value = buddy ? buddy->text().trimmed().toInt(&ok) : 0;
    if (ok && value >= low && value <= high)
        position = value;
    return position;
}

void SpinButton::stepBy(int steps)
{
    const int span = high - low + 1;
    int next = (currentPosition() - low + steps) % span;
    if (next < 0)
        next += span;
    position = low + next;
    if (buddy)
        buddy->setText(QString::number(position));
}

bool SpinButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == watchedBuddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up->setGeometry(0, 0, width(), half);
    down->setGeometry(0, half, width(), height() - half);
}
