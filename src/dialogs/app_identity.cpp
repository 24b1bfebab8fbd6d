#include "app_identity.h"

#include "version.h"

#include <QFontDatabase>

namespace AppIdentity {

QString productName()
{
    return QStringLiteral("Ostrivan Application");
}

QString version()
{
    return QStringLiteral(OSTRIVAN_VERSION);
}

QIcon icon()
{
    // The window system takes every size it is offered as pixels; the large
    // ones serve only the desktop entry, which has its own files.
    QIcon result;
    for (int size : {16, 32, 48, 64})
        result.addFile(QStringLiteral(":/icons/ostrivan-%1.png").arg(size), QSize(size, size));
    return result;
}

QFont dialogFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace AppIdentity
