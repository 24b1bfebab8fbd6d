#pragma once

#include "link_settings.h"
#include "register_entry.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class RegisterTable;
struct Session;

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

[[nodiscard]] constexpr int imageSize(int rowCount)
{
    return HeaderSize + BytesPerRegister * rowCount;
}

// Appends the low width bytes of value, most significant first.
void appendBigEndian(QByteArray &bytes, quint32 value, int width);
// The width bytes at offset, most significant first; the caller sees that
// they are there.
[[nodiscard]] quint32 readBigEndian(const QByteArray &bytes, qsizetype offset, int width);

// The device's 24-bit fixed-point coefficient (16 fraction bits) for a K
// text: truncated toward zero, only its low 24 bits kept.
[[nodiscard]] quint32 rawCoefficient(const QByteArray &kText, bool special);

// Whether a device coefficient fits the 24-bit field with 16 fraction bits
// the device keeps it in: from 0 up to, not including, 256.
[[nodiscard]] bool fitsDevice(double deviceCoefficient);

// The request form for a write: the device ID, the link bytes and every row.
[[nodiscard]] QByteArray buildImage(int deviceId, const LinkBytes &link,
                                    const QList<RegisterEntry> &rows);
// The same from what a session holds.
[[nodiscard]] QByteArray buildImage(const Session &session);

// Puts an image into the link settings and into what the listed rows show.
// Reads only what the current table needs; an image too short for it
// changes nothing and gives false.
bool applyImage(const QByteArray &image, LinkSettings &link, RegisterTable &table);

} // namespace ConfigImage
