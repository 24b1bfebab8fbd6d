#include "transducer.h"

#include "coefficient.h"
#include "config_image.h"
#include "device_models.h"
#include "modbus_ascii.h"

#include <array>
#include <utility>

namespace {

struct FaultName
{
    Fault fault;
    const char *name;
};

constexpr std::array<FaultName, 14> faultTable = {{
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::Late, "late"},
    {Fault::Truncated, "truncated"},
    {Fault::BadLrc, "bad-lrc"},
    {Fault::LowerCase, "lowercase"},
    {Fault::Noise, "noise"},
    {Fault::EchoChanged, "echo-changed"},
    {Fault::EchoAddress, "echo-address"},
    {Fault::OtherId, "other-id"},
    {Fault::Repeat, "repeat"},
    {Fault::Foreign, "foreign"},
    {Fault::NotStored, "not-stored"},
    {Fault::Vanish, "vanish-mid-reply"},
}};

// The link settings a transducer leaves the factory with: address 5,
// 9600 baud, even parity, one stop bit, ASCII; two-byte cells; 3-wire.
constexpr quint8 DefaultAddress = 5;
constexpr quint8 DefaultLinkByte = 0x45;
constexpr quint8 DefaultCellSize = 2;
constexpr quint8 DefaultWiring = 0x20;

// Coefficients that differ from the built-in 1.0, so that a read changes
// what the window shows: voltages 0.8, currents 1.2, frequency 1.5.
double startingCoefficient(int row, bool special)
{
    if (special)
        return row == 30 ? 1.5 : 1.0;
    if (row < 4)
        return 0.8;
    if (row < 8)
        return 1.2;
    return 1.0;
}

} // namespace

using ConfigImage::appendBigEndian;

std::optional<Fault> faultFromName(const QString &name)
{
    for (const FaultName &entry : faultTable) {
        if (name == QLatin1String(entry.name))
            return entry.fault;
    }
    return std::nullopt;
}

QString faultName(Fault fault)
{
    for (const FaultName &entry : faultTable) {
        if (entry.fault == fault)
            return QLatin1String(entry.name);
    }
    return QString();
}

QStringList faultNames()
{
    QStringList names;
    for (const FaultName &entry : faultTable)
        names << QLatin1String(entry.name);
    return names;
}

std::optional<Transducer> Transducer::withDefaults(int deviceId)
{
    RegisterTable table;
    QString fileName;
    if (!buildRegisterTable(table, deviceId, fileName))
        return std::nullopt;
    QList<RegisterEntry> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        RegisterEntry row = table.row(r);
        if (row.kind == RegisterKind::Parameter) {
            row.coefficient = Coefficient::textFromCoefficient(
                startingCoefficient(r, Coefficient::isSpecial(row.name)), row.name);
        }
        rows.append(row);
    }
    const LinkBytes link{DefaultAddress, DefaultLinkByte, DefaultCellSize, DefaultWiring};
    return Transducer(deviceId, ConfigImage::buildImage(deviceId, link, rows));
}

Transducer Transducer::fromConfiguration(const ConfigFile::Configuration &configuration)
{
    const int deviceId = int(configuration.deviceId & 0xFFFF);
    return Transducer(deviceId,
                      ConfigImage::buildImage(deviceId, configuration.link, configuration.rows));
}

QByteArray Transducer::foreignFrame()
{
    return ModbusAscii::buildRequest(0x11, 0x03, QByteArray::fromHex("02002A"));
}

QByteArray Transducer::replyForm() const
{
    return ConfigImage::replyData(config);
}

Transducer::Reply Transducer::frame(quint8 address, quint8 function, QByteArray data,
                                    int lateMs) const
{
    Reply reply;
    reply.text = ModbusAscii::buildRequest(address, function, data);
    const qsizetype length = reply.text.size();
    switch (currentFault) {
    case Fault::Late:
        reply.delayMs = lateMs;
        break;
    case Fault::Truncated:
        reply.text.truncate(length / 2);
        break;
    case Fault::BadLrc: {
        const quint8 lrc =
            ModbusAscii::decodeHexPair(reply.text[length - 4], reply.text[length - 3]);
        reply.text.replace(length - 4, 2, ModbusAscii::encodeHexByte(quint8(lrc + 1)));
        break;
    }
    case Fault::LowerCase:
        reply.text = reply.text.toLower();
        break;
    case Fault::Noise:
        reply.text.prepend("#~\x7F");
        break;
    case Fault::Repeat:
        reply.repeated = true;
        break;
    case Fault::Foreign:
        reply.text.prepend(foreignFrame());
        break;
    case Fault::Vanish:
        reply.vanishHalfway = true;
        break;
    default:
        break;
    }
    return reply;
}

std::optional<Transducer::Reply> Transducer::respond(QByteArrayView request)
{
    using namespace ModbusAscii;
    const ParsedReply parsed = parseReply(request);
    if (currentFault == Fault::Silent || parsed.outcome != ParsedReply::Outcome::Bytes)
        return std::nullopt;
    const QByteArray &bytes = parsed.bytes;
    const quint8 function = quint8(bytes[1]);
    if ((function != ReadConfig && function != WriteConfig) || bytes.size() < 4)
        return std::nullopt;
    const int lateMs = function == ReadConfig ? LateReadReplyMs : LateWriteReplyMs;
    const quint8 ownAddress = ConfigImage::requestAddress(config);

    const int requestedId = *ConfigImage::leadingDeviceId(QByteArrayView(bytes).sliced(2));
    const int answeringId = currentFault == Fault::OtherId ? OtherDeviceId : id;
    if (requestedId != id || currentFault == Fault::OtherId) {
        QByteArray data;
        appendBigEndian(data, quint32(answeringId), 2);
        return frame(ownAddress, quint8(function | 0x80), data, lateMs);
    }

    if (function == ReadConfig)
        return frame(ownAddress, ReadConfig, replyForm(), lateMs);

    // A write takes a whole image: the header and six bytes per register.
    const QByteArray image = bytes.mid(2);
    if (!ConfigImage::isWholeImage(image.size()))
        return std::nullopt;
    const QByteArray held = std::exchange(config, image);
    QByteArray echo = replyForm();
    quint8 address = ConfigImage::requestAddress(config);
    // A memory write that failed: the echo is made before it, as a device
    // echoes what it took in.
    if (currentFault == Fault::NotStored)
        config = held;
    if (currentFault == Fault::EchoChanged)
        echo[echo.size() - 1] = char(echo[echo.size() - 1] ^ 0x01);
    if (currentFault == Fault::EchoAddress)
        address = quint8(address + 1);
    return frame(address, WriteConfig, echo, lateMs);
}
