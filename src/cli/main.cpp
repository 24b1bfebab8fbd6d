// ostrivan-cli: the configuration tool's read, write, compare and show
// commands without a window. Built on Qt Core (and Qt SerialPort on Linux) only.

#include "cli_tool.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // The output is UTF-8, redirected or not; a console shows it as such.
    SetConsoleOutputCP(CP_UTF8);
#endif
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrivan-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    CliTool tool(out, err);
    return tool.run(argc, argv);
}
