#pragma once

#include "user_messages.h"

class QWidget;

// Messages as modal message boxes over a window. While a box is open its own event loop keeps the
// window's timers running.
class MessageBoxes : public UserMessages
{
public:
    explicit MessageBoxes(QWidget *parent) : parent(parent) {}
    void show(const UserMessage &message) override;
    bool ask(const UserMessage &message, MessageQuestion buttons) override;

private:
    QWidget *parent;
};
