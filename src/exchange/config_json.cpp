#include "config_json.h"

#include "cp1251.h"
#include "session.h"
#include "text_number.h"

#include <QJsonArray>

namespace ConfigJson {

QJsonObject object(const Session &session)
{
    const LinkSettings &link = session.link;
    QJsonObject object;
    // As the file stores it: unsigned, whatever its range.
    object[QStringLiteral("deviceId")] = qint64(quint32(session.deviceId));
    object[QStringLiteral("deviceAddress")] = link.deviceAddress;
    object[QStringLiteral("cellSize")] = link.cellSize;
    object[QStringLiteral("transmissionMode")] = !link.transmissionMode ? QJsonValue()
                                                 : *link.transmissionMode == TransmissionMode::Ascii
                                                     ? QJsonValue(QStringLiteral("ASCII"))
                                                     : QJsonValue(QStringLiteral("RTU"));
    const std::optional<int> rate = link.baudCode ? baudRateOfCode(*link.baudCode) : std::nullopt;
    object[QStringLiteral("baudRate")] = rate ? QJsonValue(*rate) : QJsonValue();
    QJsonValue parity;
    if (link.parity)
        parity = *link.parity == Parity::None  ? QStringLiteral("none")
                 : *link.parity == Parity::Odd ? QStringLiteral("odd")
                                               : QStringLiteral("even");
    object[QStringLiteral("parity")] = parity;
    object[QStringLiteral("stopBits")] =
        link.stopBits ? QJsonValue(*link.stopBits == StopBits::One ? 1 : 2) : QJsonValue();
    object[QStringLiteral("wiring")] = link.wiringByte == LinkSettings::ThreeWireByte
                                           ? QStringLiteral("3-wire")
                                           : QStringLiteral("4-wire");
    QJsonArray registers;
    for (int r = 0; r < session.table.rowCount(); ++r) {
        const RegisterEntry row = session.table.row(r);
        registers.append(QJsonObject{
            {QStringLiteral("name"), fromCp1251(row.name)},
            {QStringLiteral("address"), qint64(TextNumber::parseHex(row.address) & 0xFFFF)},
            {QStringLiteral("size"), TextNumber::parseInt(row.size) & 0xFF},
            {QStringLiteral("coefficient"), fromCp1251(row.coefficient)},
            {QStringLiteral("kind"), row.kind == RegisterKind::Parameter
                                         ? QStringLiteral("parameter")
                                         : QStringLiteral("calibration")},
        });
    }
    object[QStringLiteral("registers")] = registers;
    return object;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace ConfigJson
