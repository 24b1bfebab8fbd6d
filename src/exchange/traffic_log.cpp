#include "traffic_log.h"

#include "config_image.h"
#include "modbus_ascii.h"

namespace TrafficFormat {
namespace {

int idIn(const QByteArray &data)
{
    return ConfigImage::leadingDeviceId(data).value_or(0);
}

QString faultIn(QByteArrayView frame)
{
    if (!frame.endsWith('\n'))
        return QStringLiteral("Неполный кадр");
    if (!frame.startsWith(':'))
        return QStringLiteral("Символы перед началом кадра");
    return QStringLiteral("Неверная LRC");
}

} // namespace

QString escaped(QByteArrayView frame)
{
    QString text;
    text.reserve(frame.size());
    for (char c : frame) {
        const auto byte = quint8(c);
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (byte < 0x20 || byte >= 0x7F)
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

QString shownFrame(const TrafficEvent &event)
{
    if (event.omitted == 0)
        return escaped(event.frame);
    return escaped(event.frame) + QStringLiteral("… ещё %1 символов").arg(event.omitted);
}

QString meaning(TrafficEvent::Direction direction, QByteArrayView frame)
{
    using namespace ModbusAscii;
    const bool sent = direction == TrafficEvent::Direction::Sent;
    if (frame.isEmpty())
        return sent ? QString() : QStringLiteral("Нет ответа в окне");
    const ParsedReply parsed = parseReply(frame);
    if (parsed.outcome != ParsedReply::Outcome::Bytes)
        return faultIn(frame);
    const quint8 address = quint8(parsed.bytes[0]);
    const quint8 function = quint8(parsed.bytes[1]);
    const QByteArray data = parsed.bytes.mid(2);
    if (sent && function == ReadConfig)
        return QStringLiteral("Запрос конфигурации, ID %1").arg(idIn(data));
    if (sent && function == WriteConfig)
        return QStringLiteral("Запись конфигурации, ID %1: %2 регистров, адрес устройства %3")
            .arg(idIn(data))
            .arg(ConfigImage::registerCount(data.size()))
            .arg(ConfigImage::requestAddress(data));
    // A reply carries the device address in its address byte, not its data.
    if (function == ReadConfig)
        return QStringLiteral("Конфигурация, ID %1: %2 регистров, адрес устройства %3")
            .arg(idIn(data))
            .arg(ConfigImage::registerCount(data.size() + 1))
            .arg(address);
    if (function == WriteConfig)
        return QStringLiteral("Эхо записи, ID %1: %2 регистров, адрес устройства %3")
            .arg(idIn(data))
            .arg(ConfigImage::registerCount(data.size() + 1))
            .arg(address);
    if (isIdMismatchReply(function))
        return QStringLiteral("Ответ устройства с другим ID: %1").arg(idIn(data));
    return QStringLiteral("Неожиданная функция 0x%1")
        .arg(QString::number(function, 16).toUpper().rightJustified(2, u'0'));
}

QString arrow(TrafficEvent::Direction direction)
{
    return direction == TrafficEvent::Direction::Sent ? QStringLiteral("→") : QStringLiteral("←");
}

QString line(const TrafficEvent &event)
{
    return QStringList{event.time.toString(QStringLiteral("hh:mm:ss.zzz")), arrow(event.direction),
                       QString::number(event.characterCount()), shownFrame(event), event.meaning}
        .join(u'\t');
}

} // namespace TrafficFormat

TrafficEvent TrafficEvent::of(QTime time, Direction direction, QByteArrayView text, QString meaning,
                              qsizetype omitted)
{
    const QByteArrayView kept = text.first(std::min(text.size(), MaxKeptCharacters));
    return {time, direction, kept.toByteArray(), std::move(meaning),
            omitted + text.size() - kept.size()};
}

TrafficLog::TrafficLog(QObject *parent, int capacity)
    : QObject(parent), limit(std::max(capacity, 1))
{
}

void TrafficLog::append(TrafficEvent event)
{
    if (events.size() >= limit) {
        emit aboutToDropOldest();
        events.removeFirst();
        emit droppedOldest();
    }
    const int index = int(events.size());
    emit aboutToAppend(index);
    events.append(std::move(event));
    emit appended(index);
}

void TrafficLog::clear()
{
    emit aboutToClear();
    events.clear();
    emit cleared();
}
