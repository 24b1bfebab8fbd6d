#pragma once

#include "exchange_doubles.h"
#include "exchange_engine.h"
#include "file_chooser.h"
#include "main_dialog.h"
#include "register_list_view.h"
#include "test_seam_access.h"

#include <QTest>
#include <memory>

// Every COM name mapped explicitly, so that the machine's own serial ports
// never take part: unmapped names go to a path that does not exist.
inline void mapComPorts(const QStringList &paths)
{
    for (int n = 1; n <= 8; ++n) {
        const QString path = n <= paths.size() && !paths[n - 1].isEmpty()
                                 ? paths[n - 1]
                                 : QStringLiteral("/nonexistent/com%1").arg(n);
        qputenv(QStringLiteral("OSTRIVAN_COM%1").arg(n).toLatin1().constData(), path.toLocal8Bit());
    }
}

// A main window shown and active, its messages recorded.
struct ShownWindow
{
    explicit ShownWindow(const QStringList &portPaths = {}, FileChooser *files = nullptr,
                         const QString &startFile = QString())
    {
        mapComPorts(portPaths);
        dialog = std::make_unique<MainDialog>(&messages, files);
        dialog->openOnStart(startFile);
        QObject::connect(&TestSeam::exchange(*dialog), &ExchangeEngine::exchangeFinished,
                         [this] { ++finishedExchanges; });
        dialog->show();
        dialog->activateWindow();
    }
    // Shown, active, and done with what follows the first frame (the port
    // probe, then the icon).
    bool ready()
    {
        return QTest::qWaitForWindowActive(dialog.get()) &&
               QTest::qWaitFor([this] { return !dialog->windowIcon().isNull(); });
    }
    const MainControls &ui() const { return TestSeam::controls(*dialog); }

    // The text a cell of the register list shows.
    QString cell(int row, int column) const
    {
        const QAbstractItemModel *model = ui().registerList->model();
        return model->index(row, column).data().toString();
    }
    int listRows() const { return ui().registerList->model()->rowCount(); }

    RecordingMessages messages;
    std::unique_ptr<MainDialog> dialog;
    int finishedExchanges = 0;
};
