#include "app_identity.h"
#include "config_app.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

namespace {

QString helpText()
{
    return QStringLiteral(
        "Использование: ostrivan [--help] [--version] [ФАЙЛ.dat]\n"
        "\n"
        "Ostrivan: настройка преобразователей VXN по линии RS-485. Окно программы\n"
        "читает конфигурацию устройства, позволяет её изменить, записывает её\n"
        "обратно и хранит в файлах *.dat. ФАЙЛ.dat открывается при запуске, как\n"
        "командой \"Открыть\".\n"
        "\n"
        "Порты COM1 ... COM8: в Windows это порты с этими именами; в других системах\n"
        "переменная OSTRIVAN_COMn задаёт путь к устройству, иначе COMn - n-е\n"
        "последовательное устройство (сначала ttyUSB*, ttyACM*).\n"
        "\n"
        "Параметры:\n"
        "  -h, --help     эта справка\n"
        "  --version      версия программы\n");
}

// The options Qt's window system takes for itself; they go on to it.
QList<QCommandLineOption> windowSystemOptions()
{
    QList<QCommandLineOption> options;
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "geometry",
          "title", "name", "dialogs", "qmljsdebugger"})
        options << QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value"));
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        options << QCommandLineOption(QLatin1String(name));
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered, and refused, before the window system is reached, so that
    // they work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    parser.addOptions(windowSystemOptions());
    // One configuration file at most, opened at start.
    if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
        const QString problem = parser.errorText().isEmpty()
                                    ? QStringLiteral("Лишний аргумент \"%1\"")
                                          .arg(parser.positionalArguments().value(1))
                                    : parser.errorText();
        std::fprintf(stderr, "ostrivan: %s\nСправка: ostrivan --help\n",
                     problem.toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("ostrivan %s\n", OSTRIVAN_VERSION);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrivan"));
    QApplication::setApplicationVersion(AppIdentity::version());
    // The file's name as the system gave it (UTF-16 on Windows), without
    // the window system's own options.
    QCommandLineParser files;
    files.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    files.addOptions({help, version});
    files.addOptions(windowSystemOptions());
    files.parse(QCoreApplication::arguments());
    ConfigApp app;
    return app.run(files.positionalArguments().value(0));
}
