// ostrivan-cli commission: a reference written to a device, checked by a
// fresh read, and one journal line for the run; and report, which sums a
// journal up.

#include "cli_tool.h"

#include "commission_report.h"
#include "config_store.h"
#include "configuration_text.h"
#include "file_messages.h"
#include "journal_file.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString isoTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QString userName()
{
#ifndef Q_OS_WIN
    if (const passwd *entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return qEnvironmentVariable("USERNAME");
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// The file's hash, or null when it cannot be read.
QJsonValue sha256Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QJsonValue::Null;
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

int CliTool::commission(const Options &options)
{
    const QDateTime started = QDateTime::currentDateTime();
    JournalFile journal;
    if (!options.journal.isEmpty() && !journal.open(options.journal))
        return fail(FileFailed, QStringLiteral("Не могу открыть журнал %1: %2")
                                    .arg(options.journal, journal.errorString()));
    QStringList lines;
    frames = &lines;
    printed.clear();
    QJsonObject record{
        {"time", isoTime(started)},
        {"user", userName()},
        {"host", QSysInfo::machineHostName()},
        {"port", options.port},
        {"device", textOrNull(resolvePortName(options.port))},
        {"reference", QJsonObject{{"file", options.file}, {"sha256", sha256Of(options.file)}}},
        {"address", QJsonValue::Null},
        {"deviceId", QJsonValue::Null},
        {"asFound", QJsonValue::Null},
        {"asFoundDifferences", QJsonArray()},
        {"echo", QJsonValue::Null},
        {"asLeft", QJsonValue::Null},
        {"asLeftDifferences", QJsonArray()},
        {"result", "failed"},
    };
    const int code = commissionSteps(options, started, record);
    frames = nullptr;
    if (code == Success)
        record["result"] = "commissioned";
    record["exitCode"] = code;
    record["message"] = textOrNull(printed.trimmed());
    record["frames"] = QJsonArray::fromStringList(lines);
    if (journal.isOpen() &&
        !journal.append(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n'))
        return fail(FileFailed, QStringLiteral("Не удалось дописать журнал %1: %2")
                                    .arg(options.journal, journal.errorString()));
    return code;
}

int CliTool::commissionSteps(const Options &options, const QDateTime &started, QJsonObject &record)
{
    const auto refuse = [&record](int code) {
        record["result"] = "refused";
        return code;
    };
    Session reference;
    if (const int code = loadFile(options.file, reference))
        return refuse(code);
    Session written;
    ConfigStore::applyConfiguration(written, ConfigStore::configurationOf(reference));
    if (options.address)
        written.link.deviceAddress = quint8(*options.address);
    record["address"] = written.link.deviceAddress;
    SerialPort port;
    SerialExchange writing(port, written);
    // What write refuses goes nowhere, not even to the port.
    if (const std::optional<ExchangeError> refusal = writing.engine().writeRefusal())
        return refuse(fail(Refused, exchangeErrorMessage(*refusal).text));

    Session found;
    QStringList foundDifferences;
    if (const int code = readAndCompare(options, port, reference, found, foundDifferences))
        return code;
    record["device"] = port.location();
    record["deviceId"] = qint64(quint32(found.deviceId));
    record["asFoundDifferences"] = QJsonArray::fromStringList(foundDifferences);
    // Shown, and kept, as read shows and saves it: as the window holds it.
    found.link = asTheWindowHoldsThem(found.link);
    record["asFound"] = ConfigurationText::jsonObject(found);
    if (found.deviceId != written.deviceId)
        return refuse(fail(
            DeviceId,
            exchangeErrorMessage(ExchangeError::deviceId(found.deviceId, written.deviceId)).text));

    // Kept under one name for both: the device, the address it was given
    // and the start of the run.
    const QString stem =
        QDir(options.keepFolder)
            .filePath(QStringLiteral("%1-%2-%3")
                          .arg(quint32(found.deviceId))
                          .arg(written.link.deviceAddress)
                          .arg(started.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const auto keep = [&](const Session &session, const char *suffix, const char *field) {
        if (options.keepFolder.isEmpty())
            return true;
        const QString path = stem + QLatin1String(suffix);
        if (ConfigStore::save(path, ConfigStore::configurationOf(session)).status !=
            ConfigStore::SaveResult::Status::Saved) {
            fail(FileFailed, FileMessages::cannotCreateText(path));
            return false;
        }
        record[QLatin1String(field)] = path;
        return true;
    };
    if (!keep(found, "-as-found.dat", "asFoundFile"))
        return FileFailed;

    const int echoCode = exchange(writing.engine(), true, options);
    if (echoCode == Success || echoCode == EchoDiffers)
        record["echo"] = echoCode == Success ? "same" : "differs";
    if (echoCode != Success)
        return echoCode;

    Session left;
    QStringList changed;
    if (const int code = readAndCompare(options, port, written, left, changed))
        return code;
    record["asLeftDifferences"] = QJsonArray::fromStringList(changed);
    left.link = asTheWindowHoldsThem(left.link);
    record["asLeft"] = ConfigurationText::jsonObject(left);
    if (!keep(left, "-as-left.dat", "asLeftFile"))
        return FileFailed;
    if (!changed.isEmpty())
        return fail(NotStored,
                    (QStringList{QStringLiteral("Устройство хранит не то, что записано")} + changed)
                        .join(u'\n'));
    return Success;
}

int CliTool::report(const Options &options)
{
    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly))
        return fail(FileFailed, QStringLiteral("Не могу прочитать журнал %1: %2")
                                    .arg(options.file, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(FileFailed, QStringLiteral("Не могу прочитать журнал %1: %2")
                                    .arg(options.file, file.errorString()));
    const CommissionReport::Journal journal = CommissionReport::read(bytes);
    for (const int line : journal.badLines)
        err << QStringLiteral("Строка %1 журнала %2 не является записью; пропущена")
                   .arg(QString::number(line), options.file)
            << Qt::endl;
    out << CommissionReport::text(journal);
    if (!options.outputFile.isEmpty() &&
        ConfigStore::saveFile(options.outputFile,
                              CommissionReport::html(journal, QFileInfo(options.file).fileName()))
                .status != ConfigStore::SaveResult::Status::Saved)
        return fail(FileFailed, FileMessages::cannotCreateText(options.outputFile));
    return Success;
}
