// ostrivan-cli commission: a reference written to a device, checked by a
// fresh read, and one journal line for the run; and report, which sums a
// journal up.

#include "cli_tool.h"

#include "commission_report.h"
#include "config_store.h"
#include "configuration_text.h"
#include "journal_file.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
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

// The file's hash, or null when it cannot be read (a FIFO is not waited on).
QJsonValue sha256Of(const QString &path)
{
    QByteArray bytes;
    QString why;
    if (QFileInfo(path).size() > ConfigFile::MaxFileSize || !ConfigStore::readWhole(path, bytes, why))
        return QJsonValue::Null;
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
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
        // A folder that is not there yet is made; one that cannot be made
        // fails the save below with the system's reason.
        QDir().mkpath(options.keepFolder);
        const ConfigStore::SaveResult saved =
            ConfigStore::save(path, ConfigStore::configurationOf(session));
        if (saved.status != ConfigStore::SaveResult::Status::Saved) {
            fail(FileFailed, cannotCreateText(path, saved.reason));
            return false;
        }
        record[QLatin1String(field)] = path;
        return true;
    };
    // A device whose old configuration could not be kept is not overwritten.
    if (!keep(found, "-as-found.dat", "asFoundFile"))
        return FileFailed;

    const int echoCode = exchange(writing.engine(), port, true, options);
    if (echoCode == Success || echoCode == EchoDiffers)
        record["echo"] = echoCode == Success ? "same" : "differs";
    if (echoCode == Interrupted)
        return echoCode;
    const QString notStoredText = QStringLiteral("Устройство хранит не то, что записано");
    // The write went out: whatever its echo, only a read tells what the
    // device holds now, unless the line itself has gone.
    if (echoCode != Success && port.hasVanished())
        return fail(echoCode, QStringLiteral("Что хранит устройство, неизвестно: линия пропала"));
    Session left;
    QStringList changed;
    if (const int code = readAndCompare(options, port, written, left, changed)) {
        if (echoCode != Success && code != Interrupted)
            fail(echoCode,
                 QStringLiteral("Что хранит устройство, неизвестно: повторное чтение не удалось"));
        return echoCode != Success ? echoCode : code;
    }
    record["asLeftDifferences"] = QJsonArray::fromStringList(changed);
    left.link = asTheWindowHoldsThem(left.link);
    record["asLeft"] = ConfigurationText::jsonObject(left);
    // A failed save is recorded, and the device is still judged.
    const bool kept = keep(left, "-as-left.dat", "asLeftFile");
    if (echoCode != Success)
        return fail(echoCode, changed.isEmpty() ? QStringLiteral("Устройство хранит то, что записано")
                                                : notStoredText);
    if (!changed.isEmpty())
        return fail(NotStored, (QStringList{notStoredText} + changed).join(u'\n'));
    return kept ? Success : FileFailed;
}

int CliTool::report(const Options &options)
{
    // The page would replace the record it sums up.
    if (!options.outputFile.isEmpty() && JournalFile::sameFile(options.file, options.outputFile))
        return usage(QStringLiteral("Отчёт нельзя сохранить поверх журнала %1").arg(options.file));
    QByteArray bytes;
    QString why;
    if (!ConfigStore::readWhole(options.file, bytes, why))
        return fail(FileFailed,
                    QStringLiteral("Не могу прочитать журнал %1: %2").arg(options.file, why));
    const CommissionReport::Journal journal = CommissionReport::read(bytes);
    for (const CommissionReport::BadLine &bad : journal.badLines)
        err << (bad.field.isEmpty()
                    ? QStringLiteral("Строка %1 журнала %2 не является записью; пропущена")
                          .arg(QString::number(bad.line), options.file)
                    : QStringLiteral("Строка %1 журнала %2: неверное поле %3; пропущена")
                          .arg(QString::number(bad.line), options.file, bad.field))
            << Qt::endl;
    out << CommissionReport::text(journal);
    if (options.outputFile.isEmpty())
        return Success;
    const ConfigStore::SaveResult saved = ConfigStore::saveFile(
        options.outputFile, CommissionReport::html(journal, QFileInfo(options.file).fileName()));
    if (saved.status != ConfigStore::SaveResult::Status::Saved)
        return fail(FileFailed, cannotCreateText(options.outputFile, saved.reason));
    return Success;
}
