// The yardstick for start-up time and memory: a plain Qt Widgets program
// that shows one empty dialog. With MINIMAL_LABEL=1 in the environment the
// dialog shows one line of text, so the second yardstick also pays for
// loading the font system, as any window with text does.

#include <QApplication>
#include <QDialog>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal"));
    dialog.resize(400, 300);
    if (qEnvironmentVariableIntValue("MINIMAL_LABEL") == 1)
        (new QLabel(QStringLiteral("Измеряемые параметры"), &dialog))->move(20, 20);
    return dialog.exec();
}
