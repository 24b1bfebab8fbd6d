// The commands of ostrivan-cli: the table the help, the option checks and
// the dispatch are made from, and each command's handler.

#include "cli_tool.h"

#include "commission_journal.h"
#include "commission_report.h"
#include "commission_texts.h"
#include "commissioning.h"
#include "config_comparison.h"
#include "config_json.h"
#include "config_store.h"
#include "configuration_text.h"
#include "file_messages.h"
#include "port_search.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using ConfigJson::textOrNull;

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
    return SerialPort::cannotOpenText(probe.port, probe.openError);
}

} // namespace

const QList<CliTool::Command> &CliTool::commands()
{
    using O = Option;
    static const QList<Command> table{
        {"identify",
         Operand::None,
         {O::Json},
         Port::Used,
         &CliTool::identify,
         "identify [--json]",
         "вывести ID устройства"},
        {"scan",
         Operand::None,
         {O::Json},
         Port::Searched,
         &CliTool::scan,
         "scan [--json]",
         "опросить COM1 ... COM8 и вывести, на каком\nпорту какой преобразователь ответил"},
        {"read",
         Operand::None,
         {O::Output, O::Json},
         Port::Used,
         &CliTool::read,
         "read [-o ФАЙЛ.dat] [--json]",
         "прочитать конфигурацию и вывести её;\n-o сохраняет её в файл конфигурации"},
        {"write",
         Operand::Configuration,
         {O::Address, O::Json},
         Port::Used,
         &CliTool::write,
         "write ФАЙЛ.dat [--address N] [--json]",
         "записать конфигурацию из файла (с адресом\nустройства N, если он задан) и проверить "
         "эхо"},
        {"diff",
         Operand::Configuration,
         {O::Json},
         Port::Used,
         &CliTool::diff,
         "diff ФАЙЛ.dat [--json]",
         "прочитать устройство и сравнить с файлом"},
        {"show",
         Operand::Configuration,
         {O::Json},
         Port::Unused,
         &CliTool::show,
         "show ФАЙЛ.dat [--json]",
         "вывести файл конфигурации без устройства"},
        {"commission",
         Operand::Configuration,
         {O::Address, O::Unit, O::Journal, O::Keep, O::Json},
         Port::Used,
         &CliTool::commission,
         "commission ЭТАЛОН.dat [--address N] [--unit НОМЕР]\n"
         "  [--journal ЖУРНАЛ] [--keep ПАПКА] [--json]",
         "прочитать устройство, записать эталон, прочитать\nснова и сверить; --journal "
         "дописывает строку\nJSON о каждом запуске, --keep сохраняет\nконфигурацию до и после"},
        {"report",
         Operand::Journal,
         {O::Output},
         Port::None,
         &CliTool::report,
         "report ЖУРНАЛ [-o ОТЧЁТ.html]",
         "сводка журнала; -o сохраняет её страницей HTML"},
    };
    return table;
}

int CliTool::identify(const Options &options)
{
    SerialPort port;
    Session session;
    if (const int code = readDevice(options, port, session))
        return code;
    if (options.json)
        printJson({{"deviceId", qint64(quint32(session.deviceId))},
                   {"port", options.port},
                   {"device", port.location()}});
    else
        out << session.deviceId << Qt::endl;
    return ExitCode::Success;
}

int CliTool::scan(const Options &options)
{
    SerialPort unused;
    PortSearch search(unused);
    if (options.verbose)
        QObject::connect(&search, &PortSearch::traffic, [this](const TrafficEvent &event) {
            err << TrafficFormat::line(event) << Qt::endl;
        });
    if (search.start(comPortNames(), PortSearch::Stop::AfterAll) &&
        !runner.waitFor(&search, &PortSearch::finished))
        return ExitCode::Interrupted;
    if (runner.stopped())
        return ExitCode::Interrupted;
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
    return search.found() ? int(ExitCode::Success)
                          : fail(ExitCode::NoReply, PortSearch::notFoundText());
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
            return fail(ExitCode::FileFailed,
                        FileMessages::cannotCreateText(options.outputFile, saved.reason));
    }
    if (options.json)
        out << QString::fromUtf8(ConfigurationText::json(session));
    else
        out << ConfigurationText::table(session);
    return ExitCode::Success;
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
        return fail(ExitCode::Refused, exchangeErrorMessage(*refusal).text);
    Session device;
    if (const int code = readDevice(options, port, device))
        return code;
    if (device.deviceId != file.deviceId)
        return fail(
            ExitCode::DeviceId,
            exchangeErrorMessage(ExchangeError::deviceId(device.deviceId, file.deviceId)).text);
    if (const int code = exchange(writing.engine(), ExchangeKind::Write, port, options))
        return code;
    if (options.json)
        printJson({{"deviceId", qint64(quint32(file.deviceId))},
                   {"address", file.link.deviceAddress},
                   {"echo", "same"}});
    return ExitCode::Success;
}

int CliTool::diff(const Options &options)
{
    Session file;
    if (const int code = loadFile(options.file, file))
        return code;
    SerialPort port;
    Session device;
    QByteArray image;
    if (const int code = readDevice(options, port, device, &image))
        return code;
    const QStringList lines = ConfigComparison::differenceLines(file, device, image);
    if (options.json)
        printJson({{"same", lines.isEmpty()}, {"differences", QJsonArray::fromStringList(lines)}});
    else
        for (const QString &line : lines)
            out << line << Qt::endl;
    return lines.isEmpty() ? ExitCode::Success : ExitCode::Differ;
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
    return ExitCode::Success;
}

int CliTool::commission(const Options &options)
{
    CommissionJournal journal;
    if (!options.journal.isEmpty() && !journal.open(options.journal))
        return fail(ExitCode::FileFailed,
                    CommissionTexts::cannotOpenJournal(options.journal, journal.errorString()));
    SerialPort port;
    Commissioning steps(port);
    QObject::connect(&steps, &Commissioning::problem,
                     [this](const QString &message) { err << message << Qt::endl; });
    if (options.verbose)
        QObject::connect(&steps, &Commissioning::traffic, [this](const TrafficEvent &event) {
            err << TrafficFormat::line(event) << Qt::endl;
        });
    steps.start({options.file, options.address, options.keepFolder, options.port, options.unit});
    if (steps.isRunning() && !runner.waitFor(&steps, &Commissioning::finished))
        steps.stop();
    const CommissionRecord &record = steps.record();
    if (options.json)
        printJson(record.toJson());
    if (journal.isOpen() && !journal.append(record))
        return fail(ExitCode::FileFailed,
                    CommissionTexts::cannotAppendJournal(options.journal, journal.errorString()));
    return record.exitCode;
}

int CliTool::report(const Options &options)
{
    // The page would replace the record it sums up.
    if (!options.outputFile.isEmpty() && JournalFile::sameFile(options.file, options.outputFile))
        return usage(CommissionTexts::reportOverJournal(options.file));
    CommissionJournalReader journal;
    if (!journal.open(options.file))
        return fail(ExitCode::FileFailed,
                    CommissionTexts::cannotReadJournal(options.file, journal.errorString()));
    const bool withPage = !options.outputFile.isEmpty();
    CommissionReport report(QFileInfo(options.file).fileName(), withPage);
    CommissionJournalReader::Entry entry;
    while (journal.next(entry, CommissionRecord::Detail::Summary)) {
        if (!entry.record) {
            err << CommissionTexts::badJournalLine(options.file, entry.line, entry.faultyField)
                << Qt::endl;
            continue;
        }
        out << CommissionReport::textLine(*entry.record) << u'\n';
        if (!report.add(*entry.record))
            return fail(ExitCode::FileFailed,
                        FileMessages::cannotCreateText(options.outputFile, report.errorString()));
    }
    if (!journal.errorString().isEmpty())
        return fail(ExitCode::FileFailed,
                    CommissionTexts::cannotReadJournal(options.file, journal.errorString()));
    out << report.countsText() << u'\n';
    if (!withPage)
        return ExitCode::Success;
    const ConfigStore::SaveResult saved = ConfigStore::saveFile(
        options.outputFile, [&report](QIODevice &file) { return report.writePage(file); });
    if (saved.status != ConfigStore::SaveResult::Status::Saved)
        return fail(ExitCode::FileFailed,
                    FileMessages::cannotCreateText(options.outputFile, saved.reason));
    return ExitCode::Success;
}
