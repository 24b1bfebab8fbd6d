#include "enter_key.h"

#include <QKeyEvent>
#include <QPushButton>

bool pressFocusedButtonOnEnter(QWidget *window, QKeyEvent *event, bool &buttonPressed)
{
    buttonPressed = false;
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (auto *button = qobject_cast<QPushButton *>(window->focusWidget())) {
        button->click();
        buttonPressed = true;
    }
    event->accept();
    return true;
}
