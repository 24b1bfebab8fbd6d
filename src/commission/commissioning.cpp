#include "commissioning.h"

#include "commission_texts.h"
#include "config_comparison.h"
#include "config_json.h"
#include "config_store.h"
#include "exchange_run.h"
#include "exit_code.h"
#include "file_messages.h"
#include "serial_exchange.h"
#include "serial_port.h"
#include "session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimer>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString userName()
{
#ifndef Q_OS_WIN
    if (const passwd *entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return qEnvironmentVariable("USERNAME");
}

// The file's hash, or empty when it cannot be read (a FIFO is not waited on).
QString sha256Of(const QString &path)
{
    QByteArray bytes;
    QString why;
    if (QFileInfo(path).size() > ConfigFile::MaxFileSize ||
        !ConfigStore::readWhole(path, bytes, why))
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

// One run's configurations and the exchanges on them. A run is let go only
// after the signal that ended it has returned.
struct Commissioning::Run
{
    explicit Run(SerialPort &port)
        : writing(port, written), found(port, asFound), left(port, asLeft)
    {
    }

    Session reference;
    Session written;
    Session asFound;
    Session asLeft;
    SerialExchange writing;
    SerialExchange found;
    SerialExchange left;
    ExchangeWatch writeWatch{writing.engine()};
    ExchangeWatch foundWatch{found.engine()};
    ExchangeWatch leftWatch{left.engine()};
};

Commissioning::Commissioning(SerialPort &port, QObject *parent) : QObject(parent), port(port) {}

Commissioning::~Commissioning() = default;

void Commissioning::start(const Order &newOrder)
{
    if (running)
        return;
    running = true;
    order = newOrder;
    messages.clear();
    echoCode = ExitCode::Success;
    const QDateTime started = QDateTime::currentDateTime();
    current = {};
    current.time = CommissionRecord::timeText(started);
    current.user = userName();
    current.host = QSysInfo::machineHostName();
    current.port = order.port;
    current.device = resolvePortName(order.port);
    current.unit = order.unit;
    current.referenceFile = order.reference;
    current.referenceSha256 = sha256Of(order.reference);
    keepStem.clear();

    // The last run's exchanges go once the signal that may have called this
    // has returned; one that was stopped may still hear its device, so it
    // is cut off first.
    if (run) {
        for (QObject *sender : std::initializer_list<QObject *>{
                 &run->writeWatch, &run->foundWatch, &run->leftWatch, &run->writing.engine(),
                 &run->found.engine(), &run->left.engine()})
            disconnect(sender, nullptr, this, nullptr);
        QTimer::singleShot(0, this, [old = run] {});
    }
    run = std::make_shared<Run>(port);
    for (SerialExchange *exchange : {&run->writing, &run->found, &run->left})
        connect(&exchange->engine(), &ExchangeEngine::traffic, this,
                [this](const TrafficEvent &event) {
                    current.frames << TrafficFormat::line(event);
                    emit traffic(event);
                });
    connect(&run->foundWatch, &ExchangeWatch::ended, this, &Commissioning::onFoundRead);
    connect(&run->writeWatch, &ExchangeWatch::ended, this, &Commissioning::onWritten);
    connect(&run->leftWatch, &ExchangeWatch::ended, this, &Commissioning::onLeftRead);

    // A number the record cannot carry is refused before anything is sent.
    if (const QString problem = CommissionRecord::unitProblem(order.unit); !problem.isEmpty()) {
        report(problem);
        return refuse(ExitCode::Usage);
    }
    QString problem;
    if (!ConfigStore::loadSession(order.reference, run->reference, problem)) {
        report(problem);
        return refuse(ExitCode::FileFailed);
    }
    Session &written = run->written;
    ConfigStore::applyConfiguration(written, ConfigStore::configurationOf(run->reference));
    if (order.address)
        written.link.deviceAddress = quint8(*order.address);
    current.address = written.link.deviceAddress;
    // What write refuses goes nowhere, not even to the port.
    if (const std::optional<ExchangeError> refusal = run->writing.engine().writeRefusal()) {
        report(exchangeErrorMessage(*refusal).text);
        return refuse(ExitCode::Refused);
    }
    // Kept under one name for both: the device, the address it was given
    // and the start of the run; the device is known after the first read.
    keepStem = started.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    readFound();
}

void Commissioning::stop()
{
    if (running)
        end(ExitCode::Interrupted);
}

bool Commissioning::openPort()
{
    if (port.open(order.port) && port.configure(PortModeString))
        return true;
    report(SerialPort::cannotOpenText(order.port, port.openError()));
    return false;
}

void Commissioning::readFound()
{
    emit stepStarted(Step::AsFound);
    if (!openPort())
        return end(ExitCode::PortFailed);
    run->foundWatch.start(ExchangeKind::Read);
}

int Commissioning::judge(const ExchangeOutcome &outcome, bool writing)
{
    const ExchangeKind kind = writing ? ExchangeKind::Write : ExchangeKind::Read;
    for (const QString &problem : ExitCode::problemsOf(outcome, kind, port, order.port))
        report(problem);
    return ExitCode::of(outcome, kind);
}

void Commissioning::onFoundRead(const ExchangeOutcome &outcome)
{
    if (!running)
        return;
    if (const int code = judge(outcome, false)) {
        emit stepEnded(Step::AsFound, false);
        return end(code);
    }
    Session &found = run->asFound;
    current.device = port.location();
    current.deviceId = qint64(quint32(found.deviceId));
    current.asFoundDifferences =
        ConfigComparison::differenceLines(run->reference, found, run->found.engine().image());
    // Shown, and kept, as read shows and saves it: as the window holds it.
    found.link = asTheWindowHoldsThem(found.link);
    current.asFound = ConfigJson::object(found);
    emit stepEnded(Step::AsFound, true);
    if (found.deviceId != run->written.deviceId) {
        report(exchangeErrorMessage(ExchangeError::deviceId(found.deviceId, run->written.deviceId))
                   .text);
        return refuse(ExitCode::DeviceId);
    }
    keepStem = QStringLiteral("%1-%2-%3")
                   .arg(quint32(found.deviceId))
                   .arg(run->written.link.deviceAddress)
                   .arg(keepStem);
    // A device whose old configuration could not be kept is not overwritten.
    if (!keep(found, "-as-found.dat", current.asFoundFile))
        return end(ExitCode::FileFailed);
    emit stepStarted(Step::Write);
    run->writeWatch.start(ExchangeKind::Write);
}

void Commissioning::onWritten(const ExchangeOutcome &outcome)
{
    if (!running)
        return;
    echoCode = judge(outcome, true);
    if (echoCode == ExitCode::Success || echoCode == ExitCode::EchoDiffers)
        current.echo = echoCode == ExitCode::Success ? CommissionRecord::Echo::Same
                                                     : CommissionRecord::Echo::Differs;
    emit stepEnded(Step::Write, echoCode == ExitCode::Success);
    // The write went out: whatever its echo, only a read tells what the
    // device holds now, unless the line itself has gone.
    if (echoCode != ExitCode::Success && port.hasVanished()) {
        report(CommissionTexts::unknownLineGone());
        return end(echoCode);
    }
    emit stepStarted(Step::ReadBack);
    if (!openPort()) {
        if (echoCode != ExitCode::Success)
            report(CommissionTexts::unknownReadBackFailed());
        return end(echoCode != ExitCode::Success ? echoCode : int(ExitCode::PortFailed));
    }
    run->leftWatch.start(ExchangeKind::Read);
}

void Commissioning::onLeftRead(const ExchangeOutcome &outcome)
{
    if (!running)
        return;
    if (const int code = judge(outcome, false)) {
        emit stepEnded(Step::ReadBack, false);
        if (echoCode != ExitCode::Success)
            report(CommissionTexts::unknownReadBackFailed());
        return end(echoCode != ExitCode::Success ? echoCode : code);
    }
    Session &left = run->asLeft;
    const QStringList changed =
        ConfigComparison::differenceLines(run->written, left, run->left.engine().image());
    current.asLeftDifferences = changed;
    left.link = asTheWindowHoldsThem(left.link);
    current.asLeft = ConfigJson::object(left);
    emit stepEnded(Step::ReadBack, changed.isEmpty());
    // A failed save is recorded, and the device is still judged.
    const bool kept = keep(left, "-as-left.dat", current.asLeftFile);
    if (echoCode != ExitCode::Success) {
        report(changed.isEmpty() ? CommissionTexts::stored() : CommissionTexts::notStored());
        return end(echoCode);
    }
    if (!changed.isEmpty()) {
        report((QStringList{CommissionTexts::notStored()} + changed).join(u'\n'));
        return end(ExitCode::NotStored);
    }
    end(kept ? ExitCode::Success : ExitCode::FileFailed);
}

bool Commissioning::keep(const Session &session, const char *suffix, QString &field)
{
    if (order.keepFolder.isEmpty())
        return true;
    const QString path = QDir(order.keepFolder).filePath(keepStem + QLatin1String(suffix));
    // A folder that is not there yet is made; one that cannot be made fails
    // the save below with the system's reason.
    QDir().mkpath(order.keepFolder);
    const ConfigStore::SaveResult saved =
        ConfigStore::save(path, ConfigStore::configurationOf(session));
    if (saved.status != ConfigStore::SaveResult::Status::Saved) {
        report(FileMessages::cannotCreateText(path, saved.reason));
        return false;
    }
    field = path;
    return true;
}

void Commissioning::report(const QString &message)
{
    messages += message + u'\n';
    emit problem(message);
}

void Commissioning::refuse(int code)
{
    current.result = CommissionRecord::Result::Refused;
    end(code);
}

void Commissioning::end(int code)
{
    running = false;
    if (code == ExitCode::Success)
        current.result = CommissionRecord::Result::Commissioned;
    current.exitCode = code;
    current.message = messages.trimmed();
    emit finished(current);
}
