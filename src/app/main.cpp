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
        "Использование: ostrivan [--help] [--version]\n"
        "\n"
        "Ostrivan: настройка преобразователей VXN по линии RS-485. Окно программы\n"
        "читает конфигурацию устройства, позволяет её изменить, записывает её\n"
        "обратно и хранит в файлах *.dat. Без команд запуска.\n"
        "\n"
        "Порты COM1 ... COM8: в Windows это порты с этими именами; в других системах\n"
        "переменная OSTRIVAN_COMn задаёт путь к устройству, иначе COMn - n-е\n"
        "последовательное устройство (сначала ttyUSB*, ttyACM*).\n"
        "\n"
        "Параметры:\n"
        "  -h, --help     эта справка\n"
        "  --version      версия программы\n");
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before the window system is reached, so that they work
    // without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    // Qt's own options (-platform, -style, ...) go to the application.
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("ostrivan %s\n", OSTRIVAN_VERSION);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrivan"));
    QApplication::setApplicationVersion(AppIdentity::version());
    // What is left after Qt has taken its options is no option of this
    // program.
    QCommandLineParser rest;
    rest.addOptions({help, version});
    if (!rest.parse(QApplication::arguments()) || !rest.positionalArguments().isEmpty()) {
        const QString problem =
            rest.errorText().isEmpty()
                ? QStringLiteral("Лишний аргумент \"%1\"").arg(rest.positionalArguments().value(0))
                : rest.errorText();
        std::fprintf(stderr, "ostrivan: %s\nСправка: ostrivan --help\n",
                     problem.toLocal8Bit().constData());
        return 2;
    }
    QApplication::setWindowIcon(AppIdentity::icon());
    ConfigApp app;
    return app.run();
}
