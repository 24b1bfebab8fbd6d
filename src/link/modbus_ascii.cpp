#include "modbus_ascii.h"

#include <algorithm>

namespace ModbusAscii {

char nibbleToHex(quint8 value)
{
    return value < 10 ? char('0' + value) : char('A' + value - 10);
}

quint8 hexToNibble(char c)
{
    if (c >= '0' && c <= '9')
        return quint8(c - '0');
    if (c >= 'A' && c <= 'F')
        return quint8(c - 'A' + 10);
    return quint8(c);
}

QByteArray encodeHexByte(quint8 value)
{
    QByteArray pair(2, '0');
    pair[0] = nibbleToHex(value >> 4);
    pair[1] = nibbleToHex(value & 0x0F);
    return pair;
}

quint8 decodeHexPair(char high, char low)
{
    return quint8((hexToNibble(high) * 16 + hexToNibble(low)) % 256);
}

quint8 computeLrc(QByteArrayView bytes)
{
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return quint8(256 - sum);
}

QByteArray buildRequest(quint8 address, quint8 function, QByteArrayView data)
{
    QByteArray frame;
    frame.reserve(2 * data.size() + 9);
    QByteArray bytes;
    bytes.reserve(data.size() + 2);
    bytes.append(char(address));
    bytes.append(char(function));
    bytes.append(data);
    frame.append(':');
    for (char b : bytes)
        frame.append(encodeHexByte(quint8(b)));
    frame.append(encodeHexByte(computeLrc(bytes)));
    frame.append("\r\n");
    return frame;
}

QByteArray buildReadConfigRequest(quint16 deviceId)
{
    const char data[2] = {char(deviceId >> 8), char(deviceId & 0xFF)};
    return buildRequest(RequestAddress, ReadConfig, QByteArrayView(data, 2));
}

QByteArray buildWriteConfigRequest(QByteArrayView image)
{
    return buildRequest(RequestAddress, WriteConfig, image);
}

ParsedReply parseReply(QByteArrayView text)
{
    using Outcome = ParsedReply::Outcome;
    const qsizetype length = text.size();
    if (length == 0)
        return {Outcome::NoReply, {}};
    // The shortest frame with an LRC pair is ":" + 2 + CR LF.
    if (text[0] != ':' || text[length - 1] != '\n' || length < 5)
        return {Outcome::ReceptionError, {}};

    // A device sends only upper-case hex digits between the colon and CR LF;
    // anything else is damage on the line, even where the LRC agrees.
    const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    if (!std::all_of(text.begin() + 1, text.end() - 2, isHexDigit))
        return {Outcome::ReceptionError, {}};

    QByteArray bytes;
    bytes.reserve((length - 5) / 2);
    quint8 sum = 0;
    // An odd character count pairs the last data character with the first
    // LRC character, and the LRC test then fails.
    for (qsizetype i = 1; i < length - 4; i += 2) {
        const quint8 b = decodeHexPair(text[i], text[i + 1]);
        bytes.append(char(b));
        sum = quint8(sum + b);
    }
    const QByteArray lrc = encodeHexByte(quint8(256 - sum));
    if (text[length - 4] != lrc[0] || text[length - 3] != lrc[1])
        return {Outcome::ReceptionError, {}};
    if (bytes.size() < 2)
        return {Outcome::ReceptionError, {}};
    return {Outcome::Bytes, bytes};
}

} // namespace ModbusAscii
