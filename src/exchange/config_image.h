#pragma once

#include "link_settings.h"
#include "register_entry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>
#include <optional>

class RegisterTable;
struct Session;

// The configuration block that travels to and from the transducer:
//   device ID (2 bytes), Modbus address, LinkByte, cell size, wiring byte,
//   each register's 16-bit address in table order,
//   each register's 24-bit coefficient and one size byte in table order.
// Multi-byte fields are big-endian. This is the request form, which a write
// sends. A reply carries the same block without the address byte, which
// comes as the frame's address instead: the reply form the program keeps of
// a read is that address, then the reply's data (the address at offset 0,
// the device ID after it). Every other field has the same offset in both
// forms. This file is the only one that knows the offsets.
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

// The registers a whole image of this many bytes holds.
[[nodiscard]] int registerCount(qsizetype imageBytes);
// Whether so many bytes are a header and whole registers.
[[nodiscard]] bool isWholeImage(qsizetype imageBytes);

// The device ID a frame's data starts with: that of a read request, a read
// reply, another ID's reply, a write and its echo. Nothing when too short.
[[nodiscard]] std::optional<quint16> leadingDeviceId(QByteArrayView data);
// The device ID of an image in reply form.
[[nodiscard]] quint16 replyDeviceId(const QByteArray &image);
// The device address of an image in request form; 0 when it is too short
// to hold one.
[[nodiscard]] quint8 requestAddress(const QByteArray &image);
// A reply's data in request form: the frame's address put back at its place
// (at the end of data too short to reach it).
[[nodiscard]] QByteArray requestForm(quint8 address, QByteArray replyData);
// The data a reply carries for an image in request form: without its address.
[[nodiscard]] QByteArray replyData(QByteArray requestImage);
// What the program keeps of a device's configuration has the device address
// where the reply form has it, and applyImage reads it there; a write's image
// takes the address the device echoed there.
void keepAddress(QByteArray &image, quint8 address);

// Row r's fields in an image of rows registers, in either form; the caller
// sees that the image holds them.
[[nodiscard]] quint16 registerAddress(const QByteArray &image, int rows, int r);
[[nodiscard]] quint32 coefficientField(const QByteArray &image, int rows, int r);
[[nodiscard]] quint8 sizeField(const QByteArray &image, int rows, int r);

// Appends the low width bytes of value, most significant first.
void appendBigEndian(QByteArray &bytes, quint32 value, int width);
// The width bytes at offset, most significant first; the caller sees that
// they are there.
[[nodiscard]] quint32 readBigEndian(const QByteArray &bytes, qsizetype offset, int width);

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
