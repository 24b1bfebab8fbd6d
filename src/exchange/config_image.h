#pragma once

#include "register_entry.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class LinkSettingsEditor;
class RegisterTable;

// The configuration block that travels to and from the transducer:
//   device ID (2 bytes), Modbus address, LinkByte, cell size, wiring byte,
//   each register's 16-bit address in table order,
//   each register's 24-bit coefficient and one size byte in table order.
// Multi-byte fields are big-endian. A reply carries the same block without
// the address byte, which comes as the frame's address instead; the image the
// program keeps has the address at offset 0 or 2 (read or written) and every
// other field at the offsets above.
namespace ConfigImage {

constexpr int HeaderSize = 6;
constexpr int BytesPerRegister = 6;
constexpr int AddressOffset = 2;
constexpr int LinkByteOffset = 3;
constexpr int CellSizeOffset = 4;
constexpr int WiringOffset = 5;

constexpr int imageSize(int rowCount)
{
    return HeaderSize + BytesPerRegister * rowCount;
}

// Appends the low width bytes of value, most significant first.
void appendBigEndian(QByteArray &bytes, quint32 value, int width);

// The LinkByte: bits 0-3 baud-rate code, bit 4 two stop bits, bit 5 odd
// parity (with bit 6), bit 6 parity on, bit 7 RTU.
quint8 packLinkByte(const LinkSettingsEditor &link);
void unpackLinkByte(LinkSettingsEditor &link, quint8 linkByte);
// The text of a baud-rate code 2 to 10; empty for any other code.
QString baudRateText(int code);

// The device's 24-bit fixed-point coefficient (16 fraction bits) for a K
// text: truncated toward zero, only its low 24 bits kept.
quint32 rawCoefficient(const QByteArray &kText, bool special);

// The four bytes of link settings the device holds, as the image and
// configuration files carry them.
struct LinkBytes
{
    quint8 deviceAddress = 0;
    quint8 linkByte = 0;
    quint8 cellSize = 0;
    quint8 wiringByte = 0;

    friend bool operator==(const LinkBytes &, const LinkBytes &) = default;
};
LinkBytes linkBytes(const LinkSettingsEditor &link);

// Whether a device coefficient fits the 24-bit field with 16 fraction bits
// the device keeps it in: from 0 up to, not including, 256.
bool fitsDevice(double deviceCoefficient);

// The request form for a write, from the device ID, the link settings and
// every table row.
QByteArray buildImage(int deviceId, const LinkSettingsEditor &link, const RegisterTable &table);
QByteArray buildImage(int deviceId, const LinkBytes &link, const QList<RegisterEntry> &rows);

// Puts an image into the link settings and the listed rows' columns, then
// shows the fields. Reads only what the current table needs; an image too
// short for it changes nothing and gives false.
bool applyImage(const QByteArray &image, LinkSettingsEditor &link, RegisterTable &table);

} // namespace ConfigImage
