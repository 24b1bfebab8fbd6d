#include "cli_tool.h"

#include "config_store.h"
#include "configuration_text.h"
#include "exchange_timers.h"
#include "file_messages.h"
#include "port_search.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"
#include "termination_signals.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

int exitFor(const ExchangeError &error)
{
    using Kind = ExchangeError::Kind;
    switch (error.kind) {
    case Kind::NoReply:
        return CliTool::NoReply;
    case Kind::ReceptionError:
        return CliTool::Reception;
    case Kind::DeviceId:
        return CliTool::DeviceId;
    case Kind::TransmissionError:
        return CliTool::EchoDiffers;
    case Kind::DeviceAddress:
    case Kind::CellSize:
    case Kind::ModeUnset:
    case Kind::BaudRateUnset:
    case Kind::ParityUnset:
    case Kind::StopBitsUnset:
    case Kind::Coefficient:
    case Kind::UnknownModel:
    case Kind::RowCount:
        break;
    }
    return CliTool::Refused;
}

// An option's name as it is typed: "-o", "--journal".
QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString cannotOpenText(const QString &port, const QString &reason)
{
    return QStringLiteral("Не могу открыть порт %1: %2").arg(port, reason);
}

QString statusName(PortProbe::Status status)
{
    switch (status) {
    case PortProbe::Status::Answered:
        return QStringLiteral("answered");
    case PortProbe::Status::Silent:
        return QStringLiteral("silent");
    case PortProbe::Status::ReceptionError:
        return QStringLiteral("reception-error");
    case PortProbe::Status::Unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}

// Why a port gave no ID; empty when it did.
QString probeMessage(const PortProbe &probe)
{
    using Kind = ExchangeError::Kind;
    switch (probe.status) {
    case PortProbe::Status::Answered:
        return {};
    case PortProbe::Status::Silent:
        return exchangeErrorMessage(ExchangeError::of(Kind::NoReply)).text;
    case PortProbe::Status::ReceptionError:
        return exchangeErrorMessage(ExchangeError::of(Kind::ReceptionError)).text;
    case PortProbe::Status::Unavailable:
        break;
    }
    return cannotOpenText(probe.port, probe.openError);
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace

QString CliTool::helpText()
{
    return QStringLiteral(
        "Использование: ostrivan-cli [--port ПОРТ] [--verbose] КОМАНДА ...\n"
        "\n"
        "Чтение, запись, сравнение и просмотр конфигурации преобразователя VXN\n"
        "по линии RS-485 (Modbus ASCII, 9600 бод).\n"
        "\n"
        "Команды:\n"
        "  identify                      вывести ID устройства\n"
        "  scan [--json]                 опросить COM1 ... COM8 и вывести, на каком\n"
        "                                порту какой преобразователь ответил\n"
        "  read [-o ФАЙЛ.dat] [--json]   прочитать конфигурацию и вывести её;\n"
        "                                -o сохраняет её в файл конфигурации\n"
        "  write ФАЙЛ.dat [--address N]  записать конфигурацию из файла (с адресом\n"
        "                                устройства N, если он задан) и проверить эхо\n"
        "  diff ФАЙЛ.dat                 прочитать устройство и сравнить с файлом\n"
        "  show ФАЙЛ.dat [--json]        вывести файл конфигурации без устройства\n"
        "  commission ЭТАЛОН.dat [--address N] [--journal ЖУРНАЛ] [--keep ПАПКА]\n"
        "                                прочитать устройство, записать эталон, прочитать\n"
        "                                снова и сверить; --journal дописывает строку\n"
        "                                JSON о каждом запуске, --keep сохраняет\n"
        "                                конфигурацию до и после\n"
        "  report ЖУРНАЛ [-o ОТЧЁТ.html]  сводка журнала; -o сохраняет её страницей HTML\n"
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

QString CliTool::cannotReadText(const QString &path, const QString &reason)
{
    return QStringLiteral("Не могу прочитать файл %1: %2").arg(path, reason);
}

QString CliTool::cannotCreateText(const QString &path, const QString &reason)
{
    return reason.isEmpty() ? QStringLiteral("Не могу создать файл %1").arg(path)
                            : QStringLiteral("Не могу создать файл %1: %2").arg(path, reason);
}

int CliTool::fail(int code, const QString &message)
{
    printed += message + u'\n';
    err << message << Qt::endl;
    return code;
}

int CliTool::usage(const QString &problem)
{
    err << problem << Qt::endl << QStringLiteral("Справка: ostrivan-cli --help") << Qt::endl;
    return Usage;
}

std::optional<CliTool::Options> CliTool::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));
    const QCommandLineOption outputOption(QStringLiteral("o"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption addressOption(QStringLiteral("address"), QString(),
                                           QStringLiteral("N"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    const QCommandLineOption journalOption(QStringLiteral("journal"), QString(),
                                           QStringLiteral("FILE"));
    const QCommandLineOption keepOption(QStringLiteral("keep"), QString(), QStringLiteral("DIR"));
    parser.addOptions({portOption, verboseOption, jsonOption, outputOption, addressOption,
                       journalOption, keepOption, helpOption, versionOption});
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
    Options options;
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        options.command =
            parser.isSet(helpOption) ? QStringLiteral("help") : QStringLiteral("version");
        return options;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        usage(QStringLiteral("Не задана команда"));
        return std::nullopt;
    }
    options.command = words.first();
    const bool takesFile = options.command == u"write" || options.command == u"diff" ||
                           options.command == u"show" || options.command == u"commission" ||
                           options.command == u"report";
    const bool known = takesFile || options.command == u"identify" || options.command == u"read" ||
                       options.command == u"scan";
    if (!known) {
        usage(QStringLiteral("Неизвестная команда \"%1\"").arg(options.command));
        return std::nullopt;
    }
    if (words.size() != (takesFile ? 2 : 1)) {
        usage(options.command == u"report" ? QStringLiteral("Команде report нужен один журнал")
              : takesFile
                  ? QStringLiteral("Команде %1 нужен один файл конфигурации").arg(options.command)
                  : QStringLiteral("Лишние аргументы команды %1").arg(options.command));
        return std::nullopt;
    }
    if (takesFile)
        options.file = words[1];
    const auto onlyFor = [&](const QCommandLineOption &option, QStringList commands) {
        return !parser.isSet(option) || commands.contains(options.command);
    };
    // scan tries every COM name: a port of its own would be ignored.
    if (!onlyFor(jsonOption, {"read", "show", "scan"}) ||
        !onlyFor(outputOption, {"read", "report"}) ||
        !onlyFor(addressOption, {"write", "commission"}) ||
        !onlyFor(journalOption, {"commission"}) || !onlyFor(keepOption, {"commission"}) ||
        (parser.isSet(portOption) &&
         (options.command == u"scan" || options.command == u"report"))) {
        usage(QStringLiteral("Параметр не подходит к команде %1").arg(options.command));
        return std::nullopt;
    }
    if (parser.isSet(portOption))
        options.port = parser.value(portOption);
    options.verbose = parser.isSet(verboseOption);
    options.json = parser.isSet(jsonOption);
    options.outputFile = parser.value(outputOption);
    options.journal = parser.value(journalOption);
    options.keepFolder = parser.value(keepOption);
    for (const auto &[option, given] : {std::pair{&outputOption, &options.outputFile},
                                        std::pair{&journalOption, &options.journal},
                                        std::pair{&keepOption, &options.keepFolder}}) {
        if (parser.isSet(*option) && given->isEmpty()) {
            usage(QStringLiteral("Не задано имя файла для %1")
                      .arg(dashed(option->names().constFirst())));
            return std::nullopt;
        }
    }
    if (parser.isSet(addressOption)) {
        bool numeric = false;
        const int address = parser.value(addressOption).toInt(&numeric);
        if (!numeric || address < 0 || address > LinkSettings::MaxDeviceAddress) {
            usage(QStringLiteral("Адрес устройства должен быть от 0 до 247"));
            return std::nullopt;
        }
        options.address = address;
    }
    return options;
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
        return FileFailed;
    }
    err.flush();
    return err.status() == QTextStream::Ok ? code : FileFailed;
}

int CliTool::run(const QStringList &arguments)
{
    const std::optional<Options> options = parse(arguments);
    if (!options)
        return Usage;
    if (options->command == u"help") {
        out << helpText();
        return Success;
    }
    if (options->command == u"version") {
        out << QStringLiteral("ostrivan-cli %1").arg(QStringLiteral(OSTRIVAN_VERSION)) << Qt::endl;
        return Success;
    }
    // An output that can never be written is refused before anything is
    // sent: a FIFO would wait for a reader, a device is no file.
    if (!options->outputFile.isEmpty()) {
        if (const QString why = ConfigStore::whyNotReplaceable(options->outputFile);
            !why.isEmpty())
            return fail(FileFailed, cannotCreateText(options->outputFile, why));
    }
    if (options->command == u"show")
        return show(*options);
    if (options->command == u"report")
        return report(*options);
    // Ctrl+C or a termination request end the exchange at once; the port is
    // closed on the way out.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, [this] {
        interrupted = true;
        if (activeLoop)
            activeLoop->quit();
    });
    if (options->command == u"identify")
        return identify(*options);
    if (options->command == u"scan")
        return scan(*options);
    if (options->command == u"read")
        return read(*options);
    if (options->command == u"write")
        return write(*options);
    if (options->command == u"commission")
        return commission(*options);
    return diff(*options);
}

int CliTool::openPort(const Options &options, SerialPort &port)
{
    if (!port.open(options.port) || !port.configure(PortModeString))
        return fail(PortFailed, cannotOpenText(options.port, port.openError()));
    return Success;
}

int CliTool::loadFile(const QString &path, Session &session)
{
    const ConfigStore::LoadResult result = ConfigStore::load(path);
    if (result.status == ConfigStore::LoadResult::Status::CannotOpen)
        return fail(FileFailed, cannotReadText(path, result.reason));
    if (result.status != ConfigStore::LoadResult::Status::Loaded)
        return fail(FileFailed, FileMessages::loadRefusal(result, path).text);
    ConfigStore::applyConfiguration(session, result.configuration);
    session.configFileName = QFileInfo(path).fileName();
    return Success;
}

void CliTool::waitFor(QEventLoop &loop)
{
    if (interrupted)
        return;
    activeLoop = &loop;
    loop.exec();
    activeLoop = nullptr;
}

QMetaObject::Connection CliTool::showTraffic(ExchangeEngine &engine, const Options &options)
{
    if (!options.verbose && !frames)
        return {};
    const bool verbose = options.verbose;
    return QObject::connect(&engine, &ExchangeEngine::traffic,
                            [this, verbose](const TrafficEvent &event) {
                                const QString line = TrafficFormat::line(event);
                                if (verbose)
                                    err << line << Qt::endl;
                                if (frames)
                                    frames->append(line);
                            });
}

int CliTool::exchange(ExchangeEngine &engine, const SerialPort &port, bool writing,
                      const Options &options)
{
    QEventLoop loop;
    std::optional<ExchangeError> error;
    std::optional<ExchangeResult> result;
    const QMetaObject::Connection errors = QObject::connect(
        &engine, &ExchangeEngine::errorOccurred, [&error](const ExchangeError &e) { error = e; });
    const QMetaObject::Connection ends =
        QObject::connect(&engine, &ExchangeEngine::exchangeFinished, [&](ExchangeResult r) {
            result = r;
            loop.quit();
        });
    const QMetaObject::Connection traffic = showTraffic(engine, options);
    if (writing ? engine.startWrite() : engine.startRead())
        waitFor(loop);
    QObject::disconnect(errors);
    QObject::disconnect(ends);
    QObject::disconnect(traffic);
    if (error) {
        const int code = fail(exitFor(*error), exchangeErrorMessage(*error).text);
        if (port.hasVanished())
            fail(code, port.vanishedText(options.port));
        return code;
    }
    // A signal ended the loop before the exchange ended.
    if (!result || interrupted)
        return Interrupted;
    // Success is the answer asked for, and nothing else.
    if (*result != (writing ? ExchangeResult::WriteAccepted : ExchangeResult::ReadAccepted))
        return fail(NoReply,
                    exchangeErrorMessage(ExchangeError::of(ExchangeError::Kind::NoReply)).text);
    return Success;
}

int CliTool::readDevice(const Options &options, SerialPort &port, Session &session,
                        QByteArray *image)
{
    if (const int code = openPort(options, port))
        return code;
    SerialExchange device(port, session);
    if (const int code = exchange(device.engine(), port, false, options))
        return code;
    if (image)
        *image = device.engine().image();
    return Success;
}

int CliTool::readAndCompare(const Options &options, SerialPort &port, const Session &file,
                            Session &device, QStringList &lines)
{
    QByteArray image;
    if (const int code = readDevice(options, port, device, &image))
        return code;
    lines = ConfigurationText::differences(file, device, image);
    return Success;
}

int CliTool::identify(const Options &options)
{
    SerialPort port;
    Session session;
    if (const int code = readDevice(options, port, session))
        return code;
    out << session.deviceId << Qt::endl;
    return Success;
}

int CliTool::scan(const Options &options)
{
    SerialPort port;
    Session nobody;
    SerialExchange line(port, nobody);
    const QMetaObject::Connection traffic = showTraffic(line.engine(), options);
    PortSearch search(port, line.engine());
    QEventLoop loop;
    QObject::connect(&search, &PortSearch::finished, &loop, &QEventLoop::quit);
    if (search.start(comPortNames(), PortSearch::Stop::AfterAll))
        waitFor(loop);
    QObject::disconnect(traffic);
    if (interrupted)
        return Interrupted;
    if (options.json) {
        QJsonArray ports;
        for (const PortProbe &probe : search.probes()) {
            const bool answered = probe.status == PortProbe::Status::Answered;
            ports.append(QJsonObject{
                {"port", probe.port},
                {"device", textOrNull(probe.device)},
                {"stableName", textOrNull(probe.stableName)},
                {"status", statusName(probe.status)},
                {"deviceId", answered ? QJsonValue(probe.deviceId) : QJsonValue()},
                {"message", textOrNull(probeMessage(probe))},
            });
        }
        out << QString::fromUtf8(QJsonDocument(ports).toJson(QJsonDocument::Indented));
    } else {
        for (const PortProbe &probe : search.probes()) {
            QStringList fields{probe.port,
                               probe.device.isEmpty() ? QStringLiteral("-") : probe.device};
            if (!probe.stableName.isEmpty())
                fields << probe.stableName;
            fields << (probe.status == PortProbe::Status::Answered
                           ? QStringLiteral("ID %1").arg(probe.deviceId)
                           : probeMessage(probe));
            out << fields.join(QStringLiteral("  ")) << Qt::endl;
        }
    }
    return search.found() ? Success : fail(NoReply, PortSearch::notFoundText());
}

int CliTool::read(const Options &options)
{
    SerialPort port;
    Session session;
    if (const int code = readDevice(options, port, session))
        return code;
    // What the window holds, and so saves, after the same read.
    session.link = asTheWindowHoldsThem(session.link);
    if (!options.outputFile.isEmpty()) {
        const ConfigStore::SaveResult saved =
            ConfigStore::save(options.outputFile, ConfigStore::configurationOf(session));
        if (saved.status != ConfigStore::SaveResult::Status::Saved)
            return fail(FileFailed, cannotCreateText(options.outputFile, saved.reason));
    }
    if (options.json)
        out << QString::fromUtf8(ConfigurationText::json(session));
    else
        out << ConfigurationText::table(session);
    return Success;
}

int CliTool::write(const Options &options)
{
    Session file;
    if (const int code = loadFile(options.file, file))
        return code;
    if (options.address)
        file.link.deviceAddress = quint8(*options.address);
    SerialPort port;
    SerialExchange writing(port, file);
    // What the window's Write refuses goes nowhere, not even to the port.
    if (const std::optional<ExchangeError> refusal = writing.engine().writeRefusal())
        return fail(Refused, exchangeErrorMessage(*refusal).text);
    Session device;
    if (const int code = readDevice(options, port, device))
        return code;
    if (device.deviceId != file.deviceId)
        return fail(
            DeviceId,
            exchangeErrorMessage(ExchangeError::deviceId(device.deviceId, file.deviceId)).text);
    return exchange(writing.engine(), port, true, options);
}

int CliTool::diff(const Options &options)
{
    Session file;
    if (const int code = loadFile(options.file, file))
        return code;
    SerialPort port;
    Session device;
    QStringList lines;
    if (const int code = readAndCompare(options, port, file, device, lines))
        return code;
    for (const QString &line : lines)
        out << line << Qt::endl;
    return lines.isEmpty() ? Success : Differ;
}

int CliTool::show(const Options &options)
{
    Session session;
    if (const int code = loadFile(options.file, session))
        return code;
    if (options.json)
        out << QString::fromUtf8(ConfigurationText::json(session));
    else
        out << ConfigurationText::table(session);
    return Success;
}
