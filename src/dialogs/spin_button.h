#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

class QToolButton;

// An up-down button bound to a text field: a step reads the field's number,
// moves it by one within the range, wrapping around at both ends, and writes
// the new position into the field as a plain decimal number. The field's
// text stays free; whatever checks it reacts to the change of text. The
// arrow keys in the field step it too.
class SpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit SpinButton(QWidget *parent = nullptr);

    void setBuddy(QLineEdit *field);
    void setRange(int minimum, int maximum);
    int minimum() const { return low; }
    int maximum() const { return high; }

    void stepBy(int steps);

    // Where a step starts, when the field's own text is not the position
    // (the field may show the value in another form). Called before every
    // step.
    std::function<int()> stepOrigin;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int currentPosition();

    QPointer<QLineEdit> buddy;
    // The same object for the event filter, which also sees it while it is
    // being destroyed and no longer a line edit.
    const QObject *watchedBuddy = nullptr;
    QToolButton *up;
    QToolButton *down;
    int low = 0;
    int high = 100;
    int position = 0;
};
