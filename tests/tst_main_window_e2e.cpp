// The main window on real ports: the port probe and the port list on
// pseudo-terminals, and a read and a write through the window against the
// simulated transducer.

#include "about_dialog.h"
#include "comparison_window.h"
#include "config_app.h"
#include "config_image.h"
#include "config_store.h"
#include "cp1251.h"
#include "device_models.h"
#include "main_window_fixture.h"
#include "pty_pair.h"
#include "register_list_view.h"
#include "register_table.h"
#include "sim_process.h"
#include "test_seam_access.h"
#include "traffic_log_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <csignal>

namespace {

// The open dialog of a test: always the same file.
struct OneFile : FileChooser
{
    std::optional<QString> openFileName() override { return path; }
    std::optional<QString> saveFileName() override { return path; }
    QString path;
};

// Picks an entry from the open port list, as the user would with the mouse.
void pickPort(QComboBox *list, const QString &entry)
{
    const int index = list->findText(entry);
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace

class TestMainWindowEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void probeKeepsTheFirstPortThatOpens();
    void pickingPorts();
    void closingReleasesThePort();
    void readBeforeTheFirstFrame();
    void readAndWriteThroughTheWindow();
    void trafficLogOfAReadAndAFailedRead();
    void portThatVanishesAndComesBack();
    void searchForTheTransducer_data();
    void searchForTheTransducer();
    void comparisonWithAFile_data();
    void comparisonWithAFile();
    void signalEndsTheProgramOverADialog_data();
    void signalEndsTheProgramOverADialog();
};

void TestMainWindowEndToEnd::probeKeepsTheFirstPortThatOpens()
{
    PtyPair second;
    PtyPair third;
    QVERIFY(second.isValid() && third.isValid());
    ShownWindow w({"", second.slavePath, third.slavePath});
    QVERIFY(w.ready());
    QCOMPARE(w.ui().port->currentText(), QString("COM2"));
    QCOMPARE(TestSeam::portChoice(*w.dialog).openPortName, QString("COM2"));
    QVERIFY(TestSeam::serialPort(*w.dialog).isOpen());
    QCOMPARE(TestSeam::serialPort(*w.dialog).location(), second.slavePath);
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainWindowEndToEnd::pickingPorts()
{
    PtyPair second;
    PtyPair third;
    ShownWindow w({"", second.slavePath, third.slavePath});
    QVERIFY(w.ready());
    QComboBox *list = w.ui().port;
    SerialPort &port = TestSeam::serialPort(*w.dialog);

    // COM1 does not open: the list goes back to COM2, which is open again,
    // and the tooltip says why.
    pickPort(list, "COM1");
    QCOMPARE(list->currentText(), QString("COM2"));
    QVERIFY(port.isOpen());
    QCOMPARE(port.location(), second.slavePath);
    QVERIFY2(list->toolTip().contains("/nonexistent/com1"), qPrintable(list->toolTip()));
    QVERIFY(w.messages.shown.isEmpty());

    // The port in use picked again: nothing changes.
    pickPort(list, "COM2");
    QCOMPARE(port.location(), second.slavePath);

    // The tooltip shows the device once a pick succeeds.
    pickPort(list, "COM3");
    QCOMPARE(list->currentText(), QString("COM3"));
    QCOMPARE(port.location(), third.slavePath);
    QCOMPARE(list->toolTip(), third.slavePath + '\n' + port.settingsShortfall());
    // COM2 was closed and can be taken by someone else.
    SerialPort other;
    QVERIFY(other.open(second.slavePath));
    other.close();

    pickPort(list, "НЕТ");
    QCOMPARE(list->currentText(), QString("НЕТ"));
    QVERIFY(!port.isOpen());
    pickPort(list, "НЕТ");
    QVERIFY(!port.isOpen());

    // From no port, a port that fails leaves no port.
    pickPort(list, "COM4");
    QCOMPARE(list->currentText(), QString("НЕТ"));
    QVERIFY(!port.isOpen());
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainWindowEndToEnd::closingReleasesThePort()
{
    PtyPair first;
    {
        ShownWindow w({first.slavePath});
        QVERIFY(w.ready());
        QVERIFY(TestSeam::serialPort(*w.dialog).isOpen());
        // Held for this program alone while the window runs.
        SerialPort other;
        QVERIFY(!other.open(first.slavePath));
        w.dialog->close();
        QVERIFY(!w.dialog->isVisible());
    }
    SerialPort other;
    QVERIFY(other.open(first.slavePath));
}

void TestMainWindowEndToEnd::readBeforeTheFirstFrame()
{
    // The port is probed after the first frame; a Read pressed before that
    // opens it first and reads.
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    ShownWindow w({sim.devicePath});
    w.ui().read->click();
    QVERIFY(TestSeam::serialPort(*w.dialog).isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);
    QVERIFY(w.messages.shown.isEmpty());
    QCOMPARE(TestSeam::session(*w.dialog).deviceId, 401);
    // The probe that follows the frame leaves the port as it is.
    QVERIFY(w.ready());
    QCOMPARE(w.ui().port->currentText(), QString("COM1"));
    QVERIFY(TestSeam::serialPort(*w.dialog).isOpen());
}

void TestMainWindowEndToEnd::readAndWriteThroughTheWindow()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    ShownWindow w({sim.devicePath});
    QVERIFY(w.ready());
    const MainControls &ui = w.ui();
    QCOMPARE(ui.port->currentText(), QString("COM1"));

    // Read, and open the About box while the reply is awaited: the reply is
    // handled while the box is open.
    bool aboutShown = false;
    int rowsWhileOpen = -1;
    QTimer::singleShot(200, this, [&] {
        auto *about = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
        aboutShown = about && about->windowTitle() == "About Ostrivan";
        QTimer::singleShot(2800, this, [&, about] {
            rowsWhileOpen = w.listRows();
            if (about)
                QTest::keyClick(about, Qt::Key_Escape);
        });
    });
    QTest::keyClick(ui.read, Qt::Key_Space);
    QTest::keyClick(ui.read, Qt::Key_F1);
    QVERIFY(aboutShown);
    QCOMPARE(rowsWhileOpen, 37);

    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);
    QCOMPARE(TestSeam::exchange(*w.dialog).image().size(), 282);
    QVERIFY2(w.messages.shown.isEmpty(), qPrintable(w.messages.texts().join('|')));
    QCOMPARE(ui.deviceAddress->text(), QString("5"));
    QCOMPARE(ui.cellSize->text(), QString("2"));
    QVERIFY(ui.ascii->isChecked());
    QVERIFY(ui.threeWire->isChecked());
    QCOMPARE(ui.fileName->text(), QString("VXN_4XX.dat"));
    QCOMPARE(w.cell(30, 3), QString("1.500"));
    QTRY_COMPARE(ui.progress->value(), 500);

    // A new device address, written and echoed.
    ui.deviceAddress->selectAll();
    ui.deviceAddress->insert("9");
    QTest::keyClick(ui.write, Qt::Key_Space);
    QVERIFY(TestSeam::exchange(*w.dialog).isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!TestSeam::exchange(*w.dialog).isBusy(), 6000);
    QVERIFY2(w.messages.shown.isEmpty(), qPrintable(w.messages.texts().join('|')));
    QTRY_VERIFY(sim.log().contains(":0965")); // the log line may trail the echo

    // Read back: the transducer now has address 9.
    ui.deviceAddress->setText("0");
    ui.read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 3, 3000);
    QCOMPARE(ui.deviceAddress->text(), QString("9"));
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainWindowEndToEnd::trafficLogOfAReadAndAFailedRead()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    ShownWindow w({sim.devicePath});
    QVERIFY(w.ready());
    w.dialog->showTrafficLog();
    w.ui().read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);
    sim.command("fault silent");
    QVERIFY(!sim.image().isEmpty());
    w.ui().read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 2, 3000);
    QCOMPARE(w.messages.texts(), QStringList{"Преобразователь не отвечает"});

    const QAbstractItemModel *rows = TestSeam::trafficLogWindow(*w.dialog)->view()->model();
    const QStringList expected{
        "→ 13 Запрос конфигурации, ID 0",
        "← 13 Ответ устройства с другим ID: 401",
        "→ 13 Запрос конфигурации, ID 401",
        "← 571 Конфигурация, ID 401: 46 регистров, адрес устройства 5",
        "→ 13 Запрос конфигурации, ID 401",
        "← 0 Нет ответа в окне",
    };
    QStringList shown;
    for (int r = 0; r < rows->rowCount(); ++r)
        shown << QStringLiteral("%1 %2 %3")
                     .arg(rows->index(r, 1).data().toString(), rows->index(r, 2).data().toString(),
                          rows->index(r, 4).data().toString());
    QCOMPARE(shown, expected);
    QVERIFY(rows->index(3, 3).data().toString().endsWith("\\r\\n"));
}

void TestMainWindowEndToEnd::portThatVanishesAndComesBack()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("vxn");
    SimProcess sim;
    QVERIFY(sim.start({"--model", "300", "--link", link}));
    ShownWindow w({link});
    QVERIFY(w.ready());
    const MainControls &ui = w.ui();
    ui.read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);

    // The terminal goes away while a read waits for its reply (which the
    // transducer holds back, so that none of it arrives first).
    sim.command("fault silent");
    QVERIFY(!sim.image().isEmpty());
    ui.read->click();
    sim.command("vanish");
    QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), QStringList{"Преобразователь не отвечает"}, 3000);
    QVERIFY(!TestSeam::serialPort(*w.dialog).isOpen());
    QCOMPARE(ui.port->currentText(), QString("COM1"));
    QVERIFY2(ui.port->toolTip().startsWith("Порт COM1 (") &&
                 ui.port->toolTip().endsWith("пропал во время обмена: адаптер отключён"),
             qPrintable(ui.port->toolTip()));

    // A new terminal behind the same link: the next Read opens COM1 anew,
    // with no pick in the list.
    QTRY_VERIFY(sim.log().contains("line vanished"));
    QTRY_VERIFY(QFileInfo(link).canonicalFilePath() != sim.devicePath);
    sim.command("fault none");
    QVERIFY(!sim.image().isEmpty());
    w.messages.shown.clear();
    ui.read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 3, 5000);
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainWindowEndToEnd::searchForTheTransducer_data()
{
    QTest::addColumn<bool>("simulator"); // the transducer is on COM3
    QTest::newRow("simulator on COM3") << true;
    QTest::newRow("nothing answers") << false;
}

void TestMainWindowEndToEnd::searchForTheTransducer()
{
    QFETCH(bool, simulator);
    PtyPair silent; // COM2 opens and never answers; the others do not open
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    ShownWindow w({"", silent.slavePath, simulator ? sim.devicePath : QString()});
    QVERIFY(w.ready());
    const MainControls &ui = w.ui();
    QCOMPARE(ui.port->currentText(), QString("COM2"));
    const int rowsBefore = w.listRows();

    w.dialog->findTransducer();
    // While it runs, Read, Write, a pick and a second search do nothing.
    w.dialog->findTransducer();
    ui.read->click();
    ui.write->click();
    pickPort(ui.port, "НЕТ");
    QCOMPARE(ui.port->currentText(), QString("COM2"));
    if (simulator)
        QTRY_COMPARE_WITH_TIMEOUT(ui.port->currentText(), QString("COM3"), 5000);
    else
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(),
                                  QStringList{"Преобразователь не найден ни на одном порту"}, 5000);

    // One identification per port that opened, all sent at once, each in
    // the log with its port.
    QStringList requests;
    for (int i = 0; i < TestSeam::traffic(*w.dialog).size(); ++i)
        requests << TestSeam::traffic(*w.dialog).at(i).meaning;
    QStringList expected{"COM2: Запрос конфигурации, ID 0"};
    if (simulator)
        expected << "COM3: Запрос конфигурации, ID 0";
    QCOMPARE(requests.filter("Запрос"), expected);
    QCOMPARE(ui.progress->value(), 500);
    QCOMPARE(TestSeam::session(*w.dialog).deviceId, 0);
    QCOMPARE(w.listRows(), rowsBefore);
    QVERIFY(TestSeam::serialPort(*w.dialog).isOpen());
    if (!simulator) {
        QCOMPARE(ui.port->currentText(), QString("COM2"));
        QCOMPARE(TestSeam::serialPort(*w.dialog).location(), silent.slavePath);
        QCOMPARE(w.messages.shown.first().icon, MessageIcon::Exclamation);
        return;
    }
    QVERIFY(w.messages.shown.isEmpty());
    QVERIFY2(ui.port->toolTip().startsWith("Преобразователь ID 401 ответил на этом порту\n"),
             qPrintable(ui.port->toolTip()));
    // The next Read identifies as usual, on the port found.
    const int finished = w.finishedExchanges;
    ui.read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, finished + 1, 5000);
    QCOMPARE(TestSeam::session(*w.dialog).deviceId, 401);
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainWindowEndToEnd::comparisonWithAFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("the configuration read") << "same";
    QTest::newRow("a rate and a coefficient changed") << "changed";
    QTest::newRow("another model's table") << "model 100";
}

void TestMainWindowEndToEnd::comparisonWithAFile()
{
    QFETCH(QString, file);
    const bool changed = file == "changed";
    SimProcess sim;
    QVERIFY(sim.start({"--model", "401"}));
    QTemporaryDir dir;
    OneFile chosen;
    chosen.path = dir.filePath("reference.dat");
    ShownWindow w({sim.devicePath}, &chosen);
    QVERIFY(w.ready());
    w.ui().read->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.finishedExchanges, 1, 5000);
    Session &held = TestSeam::session(*w.dialog);
    Session edited;
    ConfigStore::applyConfiguration(edited, ConfigStore::configurationOf(held));
    if (changed) {
        edited.link.baudCode = baudCodeOfRate(19200);
        edited.table.setRow(0, edited.table.row(0).address, edited.table.row(0).size, "2000");
    }
    if (file == "model 100") {
        buildRegisterTable(edited.table, 100, edited.configFileName);
        edited.deviceId = 100;
    }
    QCOMPARE(ConfigStore::save(chosen.path, ConfigStore::configurationOf(edited)).status,
             ConfigStore::SaveResult::Status::Saved);
    const QByteArray imageBefore = ConfigImage::buildImage(held);
    const QString fieldsBefore = w.ui().deviceAddress->text() + w.ui().baudRate->currentText();

    w.dialog->compareWithFile();
    ComparisonWindow *comparison = TestSeam::comparisonWindow(*w.dialog);
    QVERIFY(comparison && comparison->isVisible() && !comparison->isModal());
    QCOMPARE(comparison->windowTitle(), QString("Сравнение с файлом"));
    QCOMPARE(ConfigImage::buildImage(held), imageBefore);
    QCOMPARE(w.ui().deviceAddress->text() + w.ui().baudRate->currentText(), fieldsBefore);
    QVERIFY(w.messages.shown.isEmpty());
    if (file == "model 100") {
        // Its columns fit the window at its size, and every text is there whole.
        QTreeWidget *rows = comparison->rows();
        QVERIFY(rows->topLevelItemCount() > 10);
        QCOMPARE(rows->horizontalScrollBar()->maximum(), 0);
        QVERIFY(rows->header()->length() <= rows->viewport()->width());
        for (int r = 0; r < rows->topLevelItemCount(); ++r)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(rows->topLevelItem(r)->toolTip(c), rows->topLevelItem(r)->text(c));
        return;
    }
    if (!changed) {
        QVERIFY(!comparison->rows());
        QVERIFY(comparison->findChild<QLabel *>()->text() == "Различий нет");
        return;
    }
    QStringList rows;
    for (int r = 0; r < comparison->rows()->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = comparison->rows()->topLevelItem(r);
        rows << item->text(0) + " | " + item->text(1) + " | " + item->text(2);
    }
    const QString first = fromCp1251(held.table.row(0).name);
    QCOMPARE(rows,
             QStringList({"Скорость, бод | 9600 | 19200",
                          "Регистр \"" + first + "\", K1(K2) | " +
                              fromCp1251(held.table.row(0).coefficient).trimmed() + " | 2000"}));
}

void TestMainWindowEndToEnd::signalEndsTheProgramOverADialog_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("About box, SIGTERM") << "about" << SIGTERM;
    QTest::newRow("properties dialog, SIGINT") << "properties" << SIGINT;
    QTest::newRow("message box, SIGTERM") << "message" << SIGTERM;
}

void TestMainWindowEndToEnd::signalEndsTheProgramOverADialog()
{
    // The program as it runs: a signal that comes while a modal dialog is
    // open closes the dialog and the window, and releases the port.
    QFETCH(QString, dialog);
    QFETCH(int, signalNumber);
    PtyPair line;
    QVERIFY(line.isValid());
    mapComPorts({line.slavePath});

    ConfigApp app;
    QString openDialog;
    bool timedOut = false;
    QTimer::singleShot(300, this, [&] {
        MainDialog *window = app.mainWindow();
        QTimer::singleShot(300, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget())
                openDialog = modal->metaObject()->className();
            ::raise(signalNumber);
        });
        if (dialog == "about") {
            window->showAbout();
        } else if (dialog == "properties") {
            QString fileName;
            buildRegisterTable(TestSeam::session(*window).table, 300, fileName);
            window->onListDoubleClicked();
        } else {
            window->onWriteClicked(); // refused: no transmission mode
        }
    });
    // Should the signal not end it, the test still ends.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [&] {
        timedOut = true;
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    watchdog.start(8000);
    QCOMPARE(app.run(), 0);
    watchdog.stop();

    QVERIFY(!timedOut);
    const QString expected = dialog == "about"        ? "AboutDialog"
                             : dialog == "properties" ? "RegisterPropertiesDialog"
                                                      : "QMessageBox";
    QCOMPARE(openDialog, expected);
    QVERIFY(!app.mainWindow());
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            std::none_of(QApplication::topLevelWidgets().cbegin(),
                         QApplication::topLevelWidgets().cend(),
                         [](const QWidget *w) { return w->isVisible(); }));
    SerialPort other;
    QVERIFY(other.open(line.slavePath));
}

QTEST_MAIN(TestMainWindowEndToEnd)
#include "tst_main_window_e2e.moc"
