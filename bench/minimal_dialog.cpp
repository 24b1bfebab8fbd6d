// The yardstick for start-up time and memory: a plain Qt Widgets program
// that shows one empty dialog.

#include <QApplication>
#include <QDialog>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal"));
    dialog.resize(400, 300);
    return dialog.exec();
}
