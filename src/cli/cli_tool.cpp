#include "cli_tool.h"

#include "commission_record.h"
#include "config_store.h"
#include "file_messages.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"
#include "termination_signals.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// An option's name as it is typed: "-o", "--journal".
QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// A command's usage, then its help lines beside it from the 33rd column, or
// below it when the usage is wider than that allows or takes two lines.
QString helpLines(const QString &usage, const QString &help)
{
    constexpr qsizetype Column = 32;
    const QString indent(Column, u' ');
    // A usage of two lines goes on indented.
    QString text = QStringLiteral("  ") + QString(usage).replace(u'\n', QStringLiteral("\n  "));
    const QStringList lines = help.split(u'\n');
    if (text.size() + 2 > Column + 1)
        text += u'\n' + indent;
    else
        text += QString(std::max<qsizetype>(Column - text.size(), 2), u' ');
    return text + lines.join(u'\n' + indent) + u'\n';
}

} // namespace

QString CliTool::helpText()
{
    QString text =
        QStringLiteral("Использование: ostrivan-cli [--port ПОРТ] [--verbose] КОМАНДА ...\n"
                       "\n"
                       "Чтение, запись, сравнение и просмотр конфигурации преобразователя VXN\n"
                       "по линии RS-485 (Modbus ASCII, 9600 бод).\n"
                       "\n"
                       "Команды:\n");
    for (const Command &command : commands())
        text += helpLines(command.usage, command.help);
    return text +
           QStringLiteral(
               "\n"
               "Параметры:\n"
               "  --port ПОРТ     COM1 ... COM8, как в окне программы (с переменными\n"
               "                  OSTRIVAN_COM1 ... OSTRIVAN_COM8), или устройство: имя с \"/\" -\n"
               "                  путь (относительный - от текущей папки), простое имя -\n"
               "                  устройство в /dev; ссылка /dev/serial/by-id/... называет\n"
               "                  тот же адаптер под любым именем; по умолчанию COM1\n"
               "  --verbose       выводить каждый кадр в стандартный поток ошибок\n"
               "  --json          вывод одним объектом JSON\n"
               "  -o ФАЙЛ         сохранить прочитанную конфигурацию (report: отчёт)\n"
               "  --address N     адрес устройства 0...247 для записи\n"
               "  --journal ФАЙЛ  журнал ввода в работу (JSON Lines)\n"
               "  --keep ПАПКА    папка для конфигураций до и после записи\n"
               "  --unit НОМЕР    номер изделия с его этикетки, для журнала (до 64 знаков)\n"
               "  -h, --help      эта справка\n"
               "  --version       версия программы\n"
               "\n"
               "Коды завершения:\n"
               "  0  успех (diff: совпадают)\n"
               "  1  diff: различаются\n"
               "  2  ошибка в командной строке\n"
               "  3  порт не открывается\n"
               "  4  нет ответа (scan: не ответил ни один порт)\n"
               "  5  ошибка при приеме данных\n"
               "  6  ошибка ID устройства\n"
               "  7  эхо записи отличается\n"
               "  8  файл не читается или отвергнут, или вывод не записывается\n"
               "  9  запись отвергнута до отправки\n"
               "  10  commission: устройство хранит не то, что записано\n"
               "  130  прервано сигналом (Ctrl+C)\n");
}

int CliTool::fail(int code, const QString &message)
{
    err << message << Qt::endl;
    return code;
}

int CliTool::usage(const QString &problem)
{
    err << problem << Qt::endl << QStringLiteral("Справка: ostrivan-cli --help") << Qt::endl;
    return ExitCode::Usage;
}

std::optional<std::pair<const CliTool::Command *, CliTool::Options>>
CliTool::parse(const QStringList &arguments, int &code)
{
    code = ExitCode::Usage;
    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    // In the order of Option.
    const QList<QCommandLineOption> commandOptions{
        {QStringLiteral("o"), QString(), QStringLiteral("FILE")},
        {QStringLiteral("address"), QString(), QStringLiteral("N")},
        {QStringLiteral("journal"), QString(), QStringLiteral("FILE")},
        {QStringLiteral("keep"), QString(), QStringLiteral("DIR")},
        QCommandLineOption(QStringLiteral("json")),
        {QStringLiteral("unit"), QString(), QStringLiteral("TEXT")},
    };
    const auto option = [&](Option o) -> const QCommandLineOption & {
        return commandOptions[qsizetype(o)];
    };
    parser.addOptions({portOption, verboseOption, helpOption, versionOption});
    parser.addOptions(commandOptions);
    if (!parser.parse(QStringList{QStringLiteral("ostrivan-cli")} + arguments)) {
        usage(QStringLiteral("Неверная командная строка: %1").arg(parser.errorText()));
        return std::nullopt;
    }
    const QStringList given = parser.optionNames();
    for (const QString &name : given) {
        if (given.count(name) > 1) {
            usage(QStringLiteral("Параметр %1 задан дважды").arg(dashed(name)));
            return std::nullopt;
        }
    }
    if (parser.isSet(helpOption)) {
        out << helpText();
        code = ExitCode::Success;
        return std::nullopt;
    }
    if (parser.isSet(versionOption)) {
        out << QStringLiteral("ostrivan-cli %1").arg(QStringLiteral(OSTRIVAN_VERSION)) << Qt::endl;
        code = ExitCode::Success;
        return std::nullopt;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        usage(QStringLiteral("Не задана команда"));
        return std::nullopt;
    }
    const auto found = std::find_if(commands().begin(), commands().end(),
                                    [&](const Command &c) { return c.name == words.first(); });
    if (found == commands().end()) {
        usage(QStringLiteral("Неизвестная команда \"%1\"").arg(words.first()));
        return std::nullopt;
    }
    const Command &command = *found;
    if (words.size() != (command.operand == Operand::None ? 1 : 2)) {
        usage(command.operand == Operand::Journal
                  ? QStringLiteral("Команде %1 нужен один журнал").arg(command.name)
              : command.operand == Operand::Configuration
                  ? QStringLiteral("Команде %1 нужен один файл конфигурации").arg(command.name)
                  : QStringLiteral("Лишние аргументы команды %1").arg(command.name));
        return std::nullopt;
    }
    bool fits =
        !parser.isSet(portOption) || command.port == Port::Used || command.port == Port::Unused;
    for (qsizetype o = 0; o < commandOptions.size(); ++o)
        fits = fits && (!parser.isSet(commandOptions[o]) || command.options.contains(Option(o)));
    if (!fits) {
        usage(QStringLiteral("Параметр не подходит к команде %1").arg(command.name));
        return std::nullopt;
    }
    Options options;
    if (command.operand != Operand::None)
        options.file = words[1];
    if (parser.isSet(portOption))
        options.port = parser.value(portOption);
    options.verbose = parser.isSet(verboseOption);
    options.json = parser.isSet(option(Option::Json));
    for (const auto &[name, value] : {std::pair{Option::Output, &options.outputFile},
                                      std::pair{Option::Journal, &options.journal},
                                      std::pair{Option::Keep, &options.keepFolder}}) {
        *value = parser.value(option(name));
        if (parser.isSet(option(name)) && value->isEmpty()) {
            usage(QStringLiteral("Не задано имя файла для %1")
                      .arg(dashed(option(name).names().constFirst())));
            return std::nullopt;
        }
    }
    options.unit = parser.value(option(Option::Unit));
    if (const QString problem = CommissionRecord::unitProblem(options.unit); !problem.isEmpty()) {
        usage(problem);
        return std::nullopt;
    }
    if (parser.isSet(option(Option::Address))) {
        bool numeric = false;
        const int address = parser.value(option(Option::Address)).toInt(&numeric);
        if (!numeric || address < 0 || address > LinkSettings::MaxDeviceAddress) {
            usage(QStringLiteral("Адрес устройства должен быть от 0 до 247"));
            return std::nullopt;
        }
        options.address = address;
    }
    return std::pair{&command, options};
}

int CliTool::run(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // Windows hands the program its arguments in UTF-16; the ANSI argv would
    // have turned a file name outside the code page into "?".
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    const QStringList arguments = QCoreApplication::arguments().mid(1);
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString text = QFile::decodeName(bytes);
        // Qt names files in the system's encoding: bytes outside it would
        // be opened, or written, under another name.
        if (QFile::encodeName(text) != bytes)
            return usage(QStringLiteral("Аргумент \"%1\" не в кодировке системы: файл с таким "
                                        "именем не открыть")
                             .arg(TrafficFormat::escaped(bytes)));
        arguments << text;
    }
#endif
    const int code = run(arguments);
    // What could not be written is not a success: a full disk or a closed
    // output must not pass for a done job.
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << QStringLiteral("Не удалось записать стандартный вывод") << Qt::endl;
        return ExitCode::FileFailed;
    }
    err.flush();
    return err.status() == QTextStream::Ok ? code : int(ExitCode::FileFailed);
}

int CliTool::run(const QStringList &arguments)
{
    int code = ExitCode::Usage;
    const auto parsed = parse(arguments, code);
    if (!parsed)
        return code;
    const auto &[command, options] = *parsed;
    // An output that can never be written is refused before anything is
    // sent: a FIFO would wait for a reader, a device is no file.
    if (!options.outputFile.isEmpty()) {
        if (const QString why = ConfigStore::whyNotReplaceable(options.outputFile); !why.isEmpty())
            return fail(ExitCode::FileFailed,
                        FileMessages::cannotCreateText(options.outputFile, why));
    }
    if (command->port == Port::None || command->port == Port::Unused)
        return (this->*command->handler)(options);
    // Ctrl+C or a termination request end the exchange at once; the port is
    // closed on the way out.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, [this] { runner.stop(); });
    return (this->*command->handler)(options);
}

int CliTool::loadFile(const QString &path, Session &session)
{
    QString problem;
    return ConfigStore::loadSession(path, session, problem) ? int(ExitCode::Success)
                                                            : fail(ExitCode::FileFailed, problem);
}

QMetaObject::Connection CliTool::showTraffic(ExchangeEngine &engine, const Options &options)
{
    if (!options.verbose)
        return {};
    return QObject::connect(&engine, &ExchangeEngine::traffic, [this](const TrafficEvent &event) {
        err << TrafficFormat::line(event) << Qt::endl;
    });
}

int CliTool::exchange(ExchangeEngine &engine, ExchangeKind kind, const SerialPort &port,
                      const Options &options)
{
    const QMetaObject::Connection traffic = showTraffic(engine, options);
    const ExchangeOutcome outcome = runner.run(engine, kind);
    QObject::disconnect(traffic);
    const int code = ExitCode::of(outcome, kind);
    for (const QString &problem : ExitCode::problemsOf(outcome, kind, port, options.port))
        fail(code, problem);
    return code;
}

int CliTool::readDevice(const Options &options, SerialPort &port, Session &session,
                        QByteArray *image)
{
    if (!port.open(options.port) || !port.configure(PortModeString))
        return fail(ExitCode::PortFailed,
                    SerialPort::cannotOpenText(options.port, port.openError()));
    SerialExchange device(port, session);
    if (const int code = exchange(device.engine(), ExchangeKind::Read, port, options))
        return code;
    if (image)
        *image = device.engine().image();
    return ExitCode::Success;
}

void CliTool::printJson(const QJsonObject &object)
{
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}
