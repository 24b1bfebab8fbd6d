#include "app_identity.h"
#include "config_app.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrivan"));
    QApplication::setApplicationVersion(AppIdentity::version());
    QApplication::setWindowIcon(AppIdentity::icon());
    ConfigApp app;
    return app.run();
}
