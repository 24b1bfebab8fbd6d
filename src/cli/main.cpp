// ostrivan-cli: the configuration tool's read, write, compare and show
// commands without a window. Built on Qt Core and SerialPort only.

#include "cli_tool.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrivan-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    CliTool tool(out, err);
    return tool.run(argc, argv);
}
