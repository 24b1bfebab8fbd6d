#pragma once

#include <QString>

enum class MessageIcon
{
    None,
    Exclamation,
    Stop
};

// A modal message to the user. The window shows a message box; tests and
// headless tools record or print it. Showing returns once the user has
// dismissed it.
struct UserMessage
{
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;

    friend bool operator==(const UserMessage &, const UserMessage &) = default;
};

enum class MessageQuestion
{
    YesNo,
    OkCancel
};

class UserMessages
{
public:
    virtual ~UserMessages() = default;
    // A message with one OK button.
    virtual void show(const UserMessage &message) = 0;
    // A question; true when the user answers Yes or OK.
    virtual bool ask(const UserMessage &message, MessageQuestion buttons) = 0;
};

// The caption of warnings the user may overrule.
inline QString warningCaption()
{
    return QStringLiteral("Предупреждение");
}

// The caption of every exchange and field error.
inline QString errorCaption()
{
    return QStringLiteral("Ошибка");
}

// The program's file name without its extension: the caption of the
// framework's own messages (field validation, file errors).
QString programName();

// A numeric field that does not hold a whole number 0 to 255.
UserMessage integerFieldRefusal();
