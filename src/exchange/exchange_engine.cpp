#include "exchange_engine.h"

#include "coefficient.h"
#include "config_image.h"
#include "device_models.h"
#include "modbus_ascii.h"
#include "session.h"

#include <array>
#include <utility>

using TimerId = ExchangeTimers::TimerId;
using Kind = ExchangeError::Kind;
using Direction = TrafficEvent::Direction;

namespace {

// What the log adds to a complete frame that was not the answer.
QString passedOver()
{
    return QStringLiteral("; не ответ на запрос, пропущен");
}

} // namespace

ExchangeEngine::ExchangeEngine(LinePort &port, ExchangeTimers &timers, Session &session,
                               QObject *parent)
    : QObject(parent), port(port), timers(timers), session(session)
{
}

bool ExchangeEngine::startRead()
{
    if (busy)
        return false;
    writing = false;
    identifying = false;
    sendReadConfigRequest();
    startProgress(ReadProgressStep);
    return true;
}

void ExchangeEngine::sendReadConfigRequest()
{
    const auto id = quint16(session.deviceId);
    send(ModbusAscii::buildReadConfigRequest(id), id, ReadReplyMs);
}

bool ExchangeEngine::startIdentify()
{
    if (awaitingReply)
        return false;
    writing = false;
    identifying = true;
    send(ModbusAscii::buildReadConfigRequest(0), 0, ReadReplyMs);
    return true;
}

void ExchangeEngine::send(const QByteArray &frameText, quint16 deviceId, int replyWindowMs)
{
    // Characters of a reply that came after its window would spoil this one.
    discardStaleInput();
    request = frameText;
    requestedId = deviceId;
    echoChecked = false;
    port.write(frameText);
    log(Direction::Sent, frameText);
    timers.start(TimerId::Reply, replyWindowMs);
    awaitingReply = true;
}

QByteArray ExchangeEngine::drainPort()
{
    std::array<char, ReceiveBufferSize> buffer{};
    QByteArray text;
    for (int pass = 0; pass < 64; ++pass) {
        const qsizetype count = port.readAvailable(buffer);
        if (count <= 0)
            break;
        text.append(buffer.data(), count);
    }
    return text;
}

void ExchangeEngine::discardStaleInput()
{
    const QByteArray stale = std::exchange(afterAnswer, QByteArray()) + drainPort();
    arrived.clear();
    overflow = 0;
    if (!stale.isEmpty())
        log(Direction::Received, stale, QStringLiteral(" (после окна, отброшено)"));
}

void ExchangeEngine::log(Direction direction, const QByteArray &text, const QString &suffix,
                         qsizetype omitted)
{
    emit traffic(TrafficEvent::of(QTime::currentTime(), direction, text,
                                  TrafficFormat::meaning(direction, text) + suffix, omitted));
}

std::optional<QByteArray> ExchangeEngine::gather()
{
    arrived += drainPort();
    std::optional<QByteArray> answer = takeFrames();
    // The receive buffer holds 1000 characters; no answer is longer. What
    // lies beyond is counted, so that the log says it was there.
    if (arrived.size() > ReceiveBufferSize) {
        overflow += arrived.size() - ReceiveBufferSize;
        arrived.truncate(ReceiveBufferSize);
    }
    return answer;
}

std::optional<QByteArray> ExchangeEngine::takeFrames()
{
    if (!echoChecked) {
        // An adapter that hears its own transmission sends the request
        // back whole before the device answers. No answer can equal the
        // request, so only an exact copy at the very start is taken for one.
        if (arrived.size() < request.size() && request.startsWith(arrived))
            return std::nullopt;
        echoChecked = true;
        if (arrived.startsWith(request)) {
            emit traffic(TrafficEvent::of(QTime::currentTime(), Direction::Received, request,
                                          QStringLiteral("Эхо запроса (адаптер)")));
            arrived.remove(0, request.size());
        }
    }
    // Whole frames at the start that are not the answer are passed over;
    // anything else waits for the window to close.
    for (;;) {
        const qsizetype end = arrived.indexOf("\r\n");
        if (end < 0)
            return std::nullopt;
        const QByteArray frameText = arrived.left(end + 2);
        const ModbusAscii::ParsedReply parsed = ModbusAscii::parseReply(frameText);
        if (parsed.outcome != ModbusAscii::ParsedReply::Outcome::Bytes)
            return std::nullopt;
        arrived.remove(0, frameText.size());
        if (isAnswer(parsed.bytes)) {
            afterAnswer = std::exchange(arrived, QByteArray());
            return frameText;
        }
        log(Direction::Received, frameText, passedOver());
    }
}

bool ExchangeEngine::isAnswer(const QByteArray &bytes) const
{
    const quint8 function = quint8(bytes[1]);
    // A device repeating the ID just asked for has nothing more to say to
    // this request; one too short to name an ID is judged as received.
    if (ModbusAscii::isIdMismatchReply(function)) {
        const std::optional<quint16> named =
            ConfigImage::leadingDeviceId(QByteArrayView(bytes).sliced(2));
        return !named || *named != requestedId;
    }
    return function == (writing ? ModbusAscii::WriteConfig : ModbusAscii::ReadConfig);
}

void ExchangeEngine::onCharactersArrived()
{
    // Outside a window the characters wait, to be dropped before the next
    // request; inside it they are gathered and looked at.
    if (!awaitingReply || receiving)
        return;
    receiving = true;
    const std::optional<QByteArray> answer = gather();
    receiving = false;
    if (answer) {
        endWindow();
        receive(*answer);
    }
}

void ExchangeEngine::startProgress(int progressStep)
{
    timers.start(TimerId::Progress, ProgressPeriodMs);
    total = 0;
    step = progressStep;
    emit progressChanged(0);
}

void ExchangeEngine::setBusy(bool value)
{
    if (busy == value)
        return;
    busy = value;
    emit busyChanged(busy);
}

std::optional<ExchangeError> ExchangeEngine::writeRefusal() const
{
    const LinkSettings &link = session.link;
    // The window never holds these; a file can, and the device takes them.
    if (link.deviceAddress > LinkSettings::MaxDeviceAddress)
        return ExchangeError::of(Kind::DeviceAddress);
    if (link.cellSize < 1 || link.cellSize > 4)
        return ExchangeError::of(Kind::CellSize);
    if (!link.transmissionMode)
        return ExchangeError::of(Kind::ModeUnset);
    // A rate the window does not show is not sent on: the user picks one.
    if (!link.baudCode || !isOfferedBaudCode(*link.baudCode))
        return ExchangeError::of(Kind::BaudRateUnset);
    if (!link.parity)
        return ExchangeError::of(Kind::ParityUnset);
    if (!link.stopBits)
        return ExchangeError::of(Kind::StopBitsUnset);
    for (int r = 0; r < session.table.rowCount(); ++r) {
        const RegisterEntry row = session.table.row(r);
        if (!Coefficient::fitsDevice(Coefficient::coefficientFromText(row.coefficient, row.name)))
            return ExchangeError::coefficient(row.name);
    }
    // The device stores the image in place of its own: it must have the rows
    // of the device's model, no more and no fewer.
    const DeviceModel *model = findDeviceModel(session.deviceId);
    if (!model)
        return ExchangeError::unknownModel(session.deviceId);
    if (session.table.rowCount() != model->rowCount())
        return ExchangeError::rowCount(session.deviceId, session.table.rowCount(),
                                       model->rowCount());
    return std::nullopt;
}

bool ExchangeEngine::startWrite()
{
    // As Read during a write: two requests would run their replies together.
    if (awaitingReply)
        return false;
    if (const std::optional<ExchangeError> refusal = writeRefusal()) {
        emit errorOccurred(*refusal);
        return false;
    }
    setBusy(true);
    writing = true;
    identifying = false;
    lastImage = ConfigImage::buildImage(session);
    frame = ModbusAscii::buildWriteConfigRequest(lastImage);
    send(frame, quint16(session.deviceId), WriteReplyMs);
    startProgress(WriteProgressStep);
    return true;
}

void ExchangeEngine::onTimer(TimerId id)
{
    if (id == TimerId::Progress)
        onProgressTick();
    else if (id == TimerId::Reply)
        onReplyWindowClosed();
}

void ExchangeEngine::onProgressTick()
{
    const int old = total;
    total = old + step;
    if (old == ProgressMaximum)
        timers.stop(TimerId::Progress);
    emit progressChanged(std::min(total, ProgressMaximum));
}

void ExchangeEngine::fail(const ExchangeError &error)
{
    timers.stop(TimerId::Progress);
    emit errorOccurred(error);
    emit exchangeFinished(ExchangeResult::Failed);
}

void ExchangeEngine::finish(ExchangeResult result)
{
    // The exchange is over: the bar is full at once, ready for the next.
    // An identification never moved it.
    timers.stop(TimerId::Progress);
    if (result != ExchangeResult::Identified) {
        total = ProgressMaximum;
        emit progressChanged(ProgressMaximum);
    }
    emit exchangeFinished(result);
}

void ExchangeEngine::endWindow()
{
    timers.stop(TimerId::Reply);
    awaitingReply = false;
    setBusy(false);
}

void ExchangeEngine::onReplyWindowClosed()
{
    receiving = true;
    const std::optional<QByteArray> answer = gather();
    endWindow();
    receiving = false;
    if (answer) {
        receive(*answer);
        return;
    }
    // The window closed without the answer: what is left is the reply as it
    // stands.
    const QByteArray text = std::exchange(arrived, QByteArray());
    const qsizetype beyond = std::exchange(overflow, 0);
    // The line went away during the window (an adapter pulled out): what
    // came before is part of no reply, and the transducer did not answer.
    if (port.hasVanished()) {
        if (!text.isEmpty() || beyond > 0)
            log(Direction::Received, text, QString(), beyond);
        fail(ExchangeError::of(Kind::NoReply));
        return;
    }
    const ModbusAscii::ParsedReply reply = ModbusAscii::parseReply(text);
    const bool parsed = reply.outcome == ModbusAscii::ParsedReply::Outcome::Bytes && beyond == 0;
    if (parsed && isAnswer(reply.bytes)) {
        receive(text);
        return;
    }
    log(Direction::Received, text, parsed ? passedOver() : QString(), beyond);
    if (!identifying) {
        frame.clear();
        if (text.startsWith(':'))
            frame = text;
    }
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::ReceptionError || beyond > 0) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    // Nothing, or only frames that were not the answer.
    fail(ExchangeError::of(Kind::NoReply));
}

void ExchangeEngine::receive(const QByteArray &text)
{
    log(Direction::Received, text);
    const ModbusAscii::ParsedReply reply = ModbusAscii::parseReply(text);
    const quint8 address = quint8(reply.bytes[0]);
    const quint8 function = quint8(reply.bytes[1]);
    const QByteArray data = reply.bytes.mid(2);
    if (identifying) {
        onIdentifyReply(data);
        return;
    }
    frame = text;
    if (function == ModbusAscii::ReadConfig)
        onReadReply(address, data);
    else if (function == ModbusAscii::WriteConfig)
        onWriteEcho(address, data);
    else
        onIdMismatch(function, data);
}

bool ExchangeEngine::fitTableToReply(const QByteArray &image)
{
    const qsizetype needed = ConfigImage::imageSize(session.table.rowCount());
    const bool whole = ConfigImage::isWholeImage(image.size());
    // A longer reply that is no whole image of another size is read as far
    // as the table needs.
    if (image.size() == needed || (image.size() > needed && !whole))
        return true;
    if (!whole)
        return false;
    // A whole image of another row count: the table of the device that sent
    // it, built as identification builds it, when its map has that count.
    const int answered = ConfigImage::replyDeviceId(image);
    const DeviceModel *model = findDeviceModel(answered);
    if (!model || model->rowCount() != ConfigImage::registerCount(image.size()) ||
        !buildRegisterTable(session.table, answered, session.configFileName))
        return false;
    session.deviceId = answered;
    return true;
}

void ExchangeEngine::onReadReply(quint8 address, const QByteArray &data)
{
    RegisterTable &table = session.table;
    // The reply must hold every row of the current table, or be the whole
    // configuration of the model that sent it; anything else is damaged and
    // is not applied at all.
    const QByteArray image = char(address) + data;
    if (!fitTableToReply(image)) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    lastImage = image;
    ConfigImage::applyImage(lastImage, session.link, table);
    emit configurationApplied();
    for (int k = 0; k < table.parameterCount(); ++k)
        table.copyFromList(k);
    finish(ExchangeResult::ReadAccepted);
}

void ExchangeEngine::onWriteEcho(quint8 address, const QByteArray &data)
{
    const QByteArray echo = ConfigImage::requestForm(address, data);
    // Nothing sent, or an echo shorter than what was sent, cannot match.
    if (lastImage.isEmpty() || echo.size() < lastImage.size() || !echo.startsWith(lastImage)) {
        fail(ExchangeError::of(Kind::TransmissionError));
        return;
    }
    ConfigImage::keepAddress(lastImage, address);
    // The list shows what the device took; the table keeps the texts as typed.
    // A table rebuilt while the write was pending has nothing to show it on.
    ConfigImage::applyImage(lastImage, session.link, session.table);
    emit configurationApplied();
    finish(ExchangeResult::WriteAccepted);
}

void ExchangeEngine::onIdentifyReply(const QByteArray &data)
{
    // Both answers to a read start with the device's ID: another ID's reply
    // carries nothing else, a configuration goes on after it.
    if (data.size() < 2) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    identified = *ConfigImage::leadingDeviceId(data);
    finish(ExchangeResult::Identified);
}

void ExchangeEngine::onIdMismatch(quint8 function, const QByteArray &data)
{
    if (data.size() < 2) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    const int answered = *ConfigImage::leadingDeviceId(data);
    // A write names the device it is for: another one answering it is an
    // error, never a reason to read that one instead.
    if (writing || (function & 0x7F) == ModbusAscii::WriteConfig) {
        fail(ExchangeError::deviceId(answered, session.deviceId));
        return;
    }
    // An ID without a built-in map leaves the table as it is: building would
    // empty it first and lose whatever the engineer had not saved.
    if (findDeviceModel(answered) &&
        buildRegisterTable(session.table, answered, session.configFileName)) {
        session.deviceId = answered;
        sendReadConfigRequest();
        return;
    }
    fail(ExchangeError::deviceId(answered, session.deviceId));
}
