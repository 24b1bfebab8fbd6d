#include "config_app.h"

#include "main_dialog.h"
#include "termination_signals.h"

#include <QApplication>

int ConfigApp::run(const QString &startFile)
{
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, [this] { quit(); });
    {
        MainDialog dialog;
        dialog.openOnStart(startFile);
        window = &dialog;
        // Whatever ended the window, the program ends; destroying the window
        // closes the port.
        dialog.exec();
        window = nullptr;
    }
    return 0;
}

void ConfigApp::quit()
{
    if (!window)
        return;
    // A modal dialog runs its own loop, which ending the window's loop would
    // not end: each is closed, the innermost first, as Escape would close it.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == window)
            break;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break; // it would not close; the window still goes
    }
    window->reject();
}
