#include "exchange_engine.h"

#include "config_image.h"
#include "cp1251.h"
#include "device_models.h"
#include "link_settings.h"
#include "modbus_ascii.h"
#include "register_table.h"

#include <array>

namespace {

const QString NoResponse = QStringLiteral("Преобразователь не отвечает");
const QString ReceptionError = QStringLiteral("Ошибка при приеме данных");
const QString TransmissionError = QStringLiteral("Ошибка при передаче данных");

QString deviceIdMessage(int answered, int held)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QStringLiteral("Ошибка ID устройства"))
        .arg(answered)
        .arg(QStringLiteral("вместо"))
        .arg(held);
}

} // namespace

ExchangeEngine::ExchangeEngine(LinePort &port, ExchangeTimers &timers, ProgressView &progress,
                               UserMessages &messages, RegisterTable &table,
                               LinkSettingsEditor &link, QString &configFileName)
    : port(port), timers(timers), progress(progress), messages(messages), table(table), link(link),
      configFileName(configFileName)
{
}

void ExchangeEngine::onReadClicked()
{
    link.takeFields();
    if (busy)
        return;
    sendReadConfigRequest();
    startProgress(ReadProgressStep);
    link.showFields();
}

void ExchangeEngine::sendReadConfigRequest()
{
    port.write(ModbusAscii::buildReadConfigRequest(quint16(deviceId)));
    timers.start(ExchangeTimers::ReplyTimer, ReadReplyMs);
}

void ExchangeEngine::startProgress(int step)
{
    timers.start(ExchangeTimers::ProgressTimer, ProgressPeriodMs);
    progress.setValue(0);
    progressTotal = 0;
    progressStep = step;
}

QString ExchangeEngine::writeRefusal() const
{
    const LinkFields &fields = link.fields();
    if (link.settings.transmissionMode == TransmissionMode::Unset)
        return QStringLiteral("Не задан режим передачи");
    if (fields.selectedText(LinkFields::Choice::BaudRate).isEmpty())
        return QStringLiteral("Не задана скорость передачи");
    if (fields.selectedText(LinkFields::Choice::Parity).isEmpty())
        return QStringLiteral("Не задана четность");
    if (fields.selectedText(LinkFields::Choice::StopBits).isEmpty())
        return QStringLiteral("Не заданы стоповые биты");
    for (int r = 0; r < table.rowCount(); ++r) {
        const RegisterEntry row = table.row(r);
        const double coefficient = RegisterTable::coefficientFromText(
            row.coefficient, RegisterTable::isSpecialRegister(row.name));
        if (!ConfigImage::fitsDevice(coefficient))
            return QStringLiteral("Недопустимый коэффициент регистра \"%1\"")
                .arg(fromCp1251(row.name));
    }
    return QString();
}

void ExchangeEngine::onWriteClicked()
{
    link.takeFields();
    const QString refusal = writeRefusal();
    if (!refusal.isEmpty()) {
        messages.show({errorCaption(), refusal, MessageIcon::Exclamation});
        return;
    }
    busy = true;
    image = ConfigImage::buildImage(deviceId, link, table);
    frameText = ModbusAscii::buildWriteConfigRequest(image);
    port.write(frameText);
    timers.start(ExchangeTimers::ReplyTimer, WriteReplyMs);
    startProgress(WriteProgressStep);
    link.showFields();
}

void ExchangeEngine::onTimer(int id)
{
    if (id == ExchangeTimers::ProgressTimer)
        onProgressTick();
    else if (id == ExchangeTimers::ReplyTimer)
        receive();
}

void ExchangeEngine::onProgressTick()
{
    const int maximum = progress.maximum();
    const int old = progressTotal;
    progressTotal = old + progressStep;
    if (old == maximum)
        timers.stop(ExchangeTimers::ProgressTimer);
    progress.setValue(std::min(progressTotal, maximum));
    link.showFields();
}

void ExchangeEngine::fail(const QString &text)
{
    timers.stop(ExchangeTimers::ProgressTimer);
    messages.show({errorCaption(), text, MessageIcon::Exclamation});
}

void ExchangeEngine::receive()
{
    timers.stop(ExchangeTimers::ReplyTimer);
    busy = false;

    std::array<char, ReceiveBufferSize> buffer{};
    const qsizetype count = port.readAvailable(buffer.data(), qsizetype(buffer.size()));
    const QByteArrayView text(buffer.data(), count);
    frameText.clear();
    if (text.startsWith(':'))
        frameText = text.toByteArray();

    const ModbusAscii::ParsedReply reply = ModbusAscii::parseReply(text);
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::NoReply) {
        fail(NoResponse);
        return;
    }
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::ReceptionError) {
        fail(ReceptionError);
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
    // Any other function code belongs to no exchange of ours.
}

void ExchangeEngine::onReadReply(quint8 address, const QByteArray &data)
{
    // The reply must cover every row of the current table; a shorter one is
    // damaged or from another model and is not applied at all.
    if (1 + data.size() < ConfigImage::imageSize(table.rowCount())) {
        fail(ReceptionError);
        return;
    }
    image = char(address) + data;
    ConfigImage::applyImage(image, link, table);
    for (int k = 0; k < table.parameterCount(); ++k)
        table.copyFromList(k);
}

void ExchangeEngine::onWriteEcho(quint8 address, const QByteArray &data)
{
    // The echo in request form: the address back at its place in the image.
    QByteArray echo = data;
    echo.insert(std::min<qsizetype>(ConfigImage::AddressOffset, echo.size()), char(address));
    // Nothing sent, or an echo shorter than what was sent, cannot match.
    if (image.isEmpty() || echo.size() < image.size() || !echo.startsWith(image)) {
        fail(TransmissionError);
        return;
    }
    image[0] = char(address);
    // The list shows what the device took; the table keeps the texts as typed.
    // A table rebuilt while the write was pending has nothing to show it on.
    ConfigImage::applyImage(image, link, table);
}

void ExchangeEngine::onIdMismatch(quint8 function, const QByteArray &data)
{
    if (data.size() < 2) {
        fail(ReceptionError);
        return;
    }
    const int answered = (quint8(data[0]) << 8) | quint8(data[1]);
    if (answered == deviceId)
        return;
    if ((function & 0x7F) == ModbusAscii::WriteConfig) {
        fail(deviceIdMessage(answered, deviceId));
        return;
    }
    // An ID without a built-in map leaves the table as it is: building would
    // empty it first and lose whatever the engineer had not saved.
    if (findDeviceModel(answered) && buildRegisterTable(table, answered, configFileName)) {
        deviceId = answered;
        sendReadConfigRequest();
        return;
    }
    fail(deviceIdMessage(answered, deviceId));
}
