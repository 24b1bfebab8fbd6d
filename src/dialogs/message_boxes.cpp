#include "message_boxes.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBoxes::show(const UserMessage &message)
{
    QMessageBox box(boxIcon(message.icon), message.caption, message.text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBoxes::ask(const UserMessage &message, MessageQuestion buttons)
{
    const bool yesNo = buttons == MessageQuestion::YesNo;
    QMessageBox box(
        boxIcon(message.icon), message.caption, message.text,
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel, parent);
    const int answer = box.exec();
    return answer == (yesNo ? QMessageBox::Yes : QMessageBox::Ok);
}
