#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// Modbus ASCII text framing as the VXN transducers speak it: ":" then the
// frame bytes as upper-case hex pairs, the LRC pair, CR LF.
namespace ModbusAscii {

enum Function : quint8
{
    ReadConfig = 0x64,
    WriteConfig = 0x65,
};

// Replies with a function code above this carry the answering device's ID.
constexpr quint8 IdMismatchThreshold = 0x80;
constexpr bool isIdMismatchReply(quint8 function)
{
    return function > IdMismatchThreshold;
}

// Requests always go to Modbus address 0; the device ID in the data selects
// the transducer.
constexpr quint8 RequestAddress = 0x00;

char nibbleToHex(quint8 value);
// "0"-"9" and "A"-"F" give their value; any other character, lower-case hex
// included, gives its own code, so damage shows up in the LRC test.
quint8 hexToNibble(char c);
QByteArray encodeHexByte(quint8 value);
quint8 decodeHexPair(char high, char low);
quint8 computeLrc(QByteArrayView bytes);

QByteArray buildRequest(quint8 address, quint8 function, QByteArrayView data);
QByteArray buildReadConfigRequest(quint16 deviceId);
QByteArray buildWriteConfigRequest(QByteArrayView image);

struct ParsedReply
{
    enum class Outcome
    {
        Bytes,
        NoReply,
        ReceptionError
    };

    Outcome outcome = Outcome::NoReply;
    // Address, function code, then data; only with Outcome::Bytes.
    QByteArray bytes;
};

// Checks a received text and decodes its bytes: the colon, upper-case hex
// digits only, the final LF and the LRC. The character before LF may be
// anything and the reply's length is not compared with its function code.
ParsedReply parseReply(QByteArrayView text);

} // namespace ModbusAscii
