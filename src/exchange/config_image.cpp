#include "config_image.h"

#include "coefficient.h"
#include "register_table.h"
#include "session.h"
#include "text_number.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>

namespace ConfigImage {
namespace {

// Where row r's fields start in an image of rows registers: its address in
// the first list, its coefficient and size in the second.
qsizetype addressAt(int r)
{
    return HeaderSize + 2 * qsizetype(r);
}

qsizetype coefficientAt(int rows, int r)
{
    return HeaderSize + 2 * qsizetype(rows) + 4 * qsizetype(r);
}

} // namespace

quint32 readBigEndian(const QByteArray &bytes, qsizetype offset, int width)
{
    // Shifted in byte by byte: no buffer for a width the compiler cannot
    // bound (the hardened release build refuses a copy into one).
    quint32 value = 0;
    for (qsizetype i = offset; i < offset + std::clamp(width, 0, 4); ++i)
        value = (value << 8) | uchar(bytes.at(i));
    return value;
}

void appendBigEndian(QByteArray &bytes, quint32 value, int width)
{
    std::array<uchar, 4> word{};
    qToBigEndian(value, word.data());
    bytes.append(reinterpret_cast<const char *>(word.data()) + (4 - width), width);
}

int registerCount(qsizetype imageBytes)
{
    return int(std::max<qsizetype>(imageBytes - HeaderSize, 0) / BytesPerRegister);
}

bool isWholeImage(qsizetype imageBytes)
{
    return imageBytes >= HeaderSize && (imageBytes - HeaderSize) % BytesPerRegister == 0;
}

std::optional<quint16> leadingDeviceId(QByteArrayView data)
{
    if (data.size() < 2)
        return std::nullopt;
    return qFromBigEndian<quint16>(data.data());
}

quint16 replyDeviceId(const QByteArray &image)
{
    return quint16(readBigEndian(image, 1, 2));
}

quint8 requestAddress(const QByteArray &image)
{
    return image.size() > AddressOffset ? quint8(image[AddressOffset]) : 0;
}

QByteArray requestForm(quint8 address, QByteArray replyData)
{
    replyData.insert(std::min<qsizetype>(AddressOffset, replyData.size()), char(address));
    return replyData;
}

QByteArray replyData(QByteArray requestImage)
{
    requestImage.remove(AddressOffset, 1);
    return requestImage;
}

void keepAddress(QByteArray &image, quint8 address)
{
    image[0] = char(address);
}

quint16 registerAddress(const QByteArray &image, int, int r)
{
    return quint16(readBigEndian(image, addressAt(r), 2));
}

quint32 coefficientField(const QByteArray &image, int rows, int r)
{
    return readBigEndian(image, coefficientAt(rows, r), 3);
}

quint8 sizeField(const QByteArray &image, int rows, int r)
{
    return quint8(image[coefficientAt(rows, r) + 3]);
}

QByteArray buildImage(const Session &session)
{
    QList<RegisterEntry> rows;
    rows.reserve(session.table.rowCount());
    for (int r = 0; r < session.table.rowCount(); ++r)
        rows.append(session.table.row(r));
    return buildImage(session.deviceId, linkBytes(session.link), rows);
}

QByteArray buildImage(int deviceId, const LinkBytes &link, const QList<RegisterEntry> &rows)
{
    QByteArray image;
    image.reserve(imageSize(int(rows.size())));
    appendBigEndian(image, quint32(deviceId) & 0xFFFF, 2);
    image.append(char(link.deviceAddress));
    image.append(char(link.linkByte));
    image.append(char(link.cellSize));
    image.append(char(link.wiringByte));
    for (const RegisterEntry &row : rows)
        appendBigEndian(image, TextNumber::parseHex(row.address) & 0xFFFF, 2);
    for (const RegisterEntry &row : rows) {
        appendBigEndian(image, Coefficient::fieldFromText(row.coefficient, row.name), 3);
        image.append(char(TextNumber::parseInt(row.size) & 0xFF));
    }
    return image;
}

bool applyImage(const QByteArray &image, LinkSettings &link, RegisterTable &table)
{
    const int rows = table.rowCount();
    if (image.size() < imageSize(rows))
        return false;

    // The address where the program keeps it (see keepAddress).
    applyLinkBytes(link, {quint8(image[0]), quint8(image[LinkByteOffset]),
                          quint8(image[CellSizeOffset]), quint8(image[WiringOffset])});
    for (int k = 0; k < table.parameterCount(); ++k) {
        table.showDeviceValues(
            k, TextNumber::formatHex4(registerAddress(image, rows, k)),
            TextNumber::formatInt(sizeField(image, rows, k)),
            Coefficient::textFromField(coefficientField(image, rows, k),
                                       table.shownText(k, RegisterTable::Column::Name)));
    }
    return true;
}

} // namespace ConfigImage
