#include "user_messages.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programName()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("ostrivan");
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

UserMessage integerFieldRefusal()
{
    return {programName(), QStringLiteral("Please enter an integer between 0 and 255."),
            MessageIcon::Exclamation};
}
