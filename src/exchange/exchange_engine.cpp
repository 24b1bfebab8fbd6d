#include "exchange_engine.h"

#include "config_image.h"
#include "device_models.h"
#include "modbus_ascii.h"
#include "session.h"

#include <array>
#include <utility>

using TimerId = ExchangeTimers::TimerId;
using Kind = ExchangeError::Kind;

ExchangeEngine::ExchangeEngine(LinePort &port, ExchangeTimers &timers, Session &session,
                               QObject *parent)
    : QObject(parent), port(port), timers(timers), session(session)
{
}

bool ExchangeEngine::startRead()
{
    if (busy)
        return false;
    sendReadConfigRequest();
    startProgress(ReadProgressStep);
    return true;
}

void ExchangeEngine::sendReadConfigRequest()
{
    send(ModbusAscii::buildReadConfigRequest(quint16(session.deviceId)), ReadReplyMs);
}

void ExchangeEngine::send(const QByteArray &frameText, int replyWindowMs)
{
    // Characters of a reply that came after its window would spoil this one.
    discardStaleInput();
    port.write(frameText);
    log(TrafficEvent::Direction::Sent, frameText);
    timers.start(TimerId::Reply, replyWindowMs);
    awaitingReply = true;
}

void ExchangeEngine::discardStaleInput()
{
    arrived.clear();
    std::array<char, ReceiveBufferSize> buffer{};
    QByteArray stale;
    // Bounded: a line that never stops talking must not hold the program.
    for (int pass = 0; pass < 64; ++pass) {
        const qsizetype count = port.readAvailable(buffer);
        if (count <= 0)
            break;
        stale.append(buffer.data(), count);
    }
    if (!stale.isEmpty())
        log(TrafficEvent::Direction::Received, stale, QStringLiteral(" (после окна, отброшено)"));
}

void ExchangeEngine::log(TrafficEvent::Direction direction, const QByteArray &text,
                         const QString &suffix)
{
    emit traffic(
        {QTime::currentTime(), direction, text, TrafficFormat::meaning(direction, text) + suffix});
}

void ExchangeEngine::takeArrived()
{
    std::array<char, ReceiveBufferSize> buffer{};
    const qsizetype room = ReceiveBufferSize - arrived.size();
    const qsizetype count = port.readAvailable(buffer);
    // The receive buffer holds 1000 characters; no reply is longer.
    arrived.append(buffer.data(), std::min(count, std::max<qsizetype>(room, 0)));
}

void ExchangeEngine::onCharactersArrived()
{
    // Outside a window the characters wait, to be dropped before the next
    // request; inside it they are gathered and looked at.
    if (!awaitingReply || receiving)
        return;
    takeArrived();
    if (arrived.endsWith("\r\n") &&
        ModbusAscii::parseReply(arrived).outcome == ModbusAscii::ParsedReply::Outcome::Bytes)
        receive();
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
        const double coefficient = RegisterTable::coefficientFromText(
            row.coefficient, RegisterTable::isSpecialRegister(row.name));
        if (!ConfigImage::fitsDevice(coefficient))
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
    lastImage = ConfigImage::buildImage(session);
    frame = ModbusAscii::buildWriteConfigRequest(lastImage);
    send(frame, WriteReplyMs);
    startProgress(WriteProgressStep);
    return true;
}

void ExchangeEngine::onTimer(TimerId id)
{
    if (id == TimerId::Progress)
        onProgressTick();
    else if (id == TimerId::Reply)
        receive();
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
    timers.stop(TimerId::Progress);
    total = ProgressMaximum;
    emit progressChanged(ProgressMaximum);
    emit exchangeFinished(result);
}

void ExchangeEngine::receive()
{
    receiving = true;
    timers.stop(TimerId::Reply);
    awaitingReply = false;
    setBusy(false);

    takeArrived();
    const QByteArray text = std::exchange(arrived, QByteArray());
    receiving = false;
    log(TrafficEvent::Direction::Received, text);
    frame.clear();
    if (text.startsWith(':'))
        frame = text;

    const ModbusAscii::ParsedReply reply = ModbusAscii::parseReply(text);
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::NoReply) {
        fail(ExchangeError::of(Kind::NoReply));
        return;
    }
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::ReceptionError) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    const quint8 address = quint8(reply.bytes[0]);
    const quint8 function = quint8(reply.bytes[1]);
    const QByteArray data = reply.bytes.mid(2);
    if (function == ModbusAscii::ReadConfig)
        onReadReply(address, data);
    else if (function == ModbusAscii::WriteConfig)
        onWriteEcho(address, data);
    else if (ModbusAscii::isIdMismatchReply(function))
        onIdMismatch(function, data);
    else
        finish(ExchangeResult::Ignored); // belongs to no exchange of ours
}

bool ExchangeEngine::fitTableToReply(const QByteArray &image)
{
    const qsizetype needed = ConfigImage::imageSize(session.table.rowCount());
    const qsizetype registers = image.size() - ConfigImage::HeaderSize;
    const bool whole = registers >= 0 && registers % ConfigImage::BytesPerRegister == 0;
    // A longer reply that is no whole image of another size is read as far
    // as the table needs.
    if (image.size() == needed || (image.size() > needed && !whole))
        return true;
    if (!whole)
        return false;
    // A whole image of another row count: the table of the device that sent
    // it, built as identification builds it, when its map has that count.
    const int answered = (quint8(image[1]) << 8) | quint8(image[2]);
    const DeviceModel *model = findDeviceModel(answered);
    if (!model || model->rowCount() != registers / ConfigImage::BytesPerRegister ||
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
    // The echo in request form: the address back at its place in the image.
    QByteArray echo = data;
    echo.insert(std::min<qsizetype>(ConfigImage::AddressOffset, echo.size()), char(address));
    // Nothing sent, or an echo shorter than what was sent, cannot match.
    if (lastImage.isEmpty() || echo.size() < lastImage.size() || !echo.startsWith(lastImage)) {
        fail(ExchangeError::of(Kind::TransmissionError));
        return;
    }
    lastImage[0] = char(address);
    // The list shows what the device took; the table keeps the texts as typed.
    // A table rebuilt while the write was pending has nothing to show it on.
    ConfigImage::applyImage(lastImage, session.link, session.table);
    emit configurationApplied();
    finish(ExchangeResult::WriteAccepted);
}

void ExchangeEngine::onIdMismatch(quint8 function, const QByteArray &data)
{
    if (data.size() < 2) {
        fail(ExchangeError::of(Kind::ReceptionError));
        return;
    }
    const int answered = (quint8(data[0]) << 8) | quint8(data[1]);
    if (answered == session.deviceId) {
        finish(ExchangeResult::Ignored);
        return;
    }
    if ((function & 0x7F) == ModbusAscii::WriteConfig) {
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
