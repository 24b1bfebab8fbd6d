#include "app_identity.h"
#include "config_app.h"
#include "termination_signals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrivan"));
    QApplication::setApplicationVersion(AppIdentity::version());
    QApplication::setWindowIcon(AppIdentity::icon());
    ConfigApp app;
    // Ctrl+C or a termination request close the window like its close
    // control: the window runs its own loop, which a quit of the
    // application's loop would not end.
    TerminationSignals signalHandlers;
    QObject::connect(&signalHandlers, &TerminationSignals::received, [&app] { app.quit(); });
    return app.run();
}
