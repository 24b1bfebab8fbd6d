#include "config_image.h"

#include "register_table.h"
#include "session.h"
#include "text_number.h"

#include <cmath>

namespace ConfigImage {
quint32 readBigEndian(const QByteArray &bytes, qsizetype offset, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

void appendBigEndian(QByteArray &bytes, quint32 value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
}

quint32 rawCoefficient(const QByteArray &kText, bool special)
{
    const double raw = std::trunc(RegisterTable::coefficientFromText(kText, special) * 65536);
    if (!std::isfinite(raw))
        return 0;
    // The low 24 bits of the two's complement, taken without overflow.
    double low = std::fmod(raw, 16777216.0);
    if (low < 0)
        low += 16777216.0;
    return quint32(low);
}

bool fitsDevice(double deviceCoefficient)
{
    return std::isfinite(deviceCoefficient) && deviceCoefficient >= 0 && deviceCoefficient < 256;
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
        appendBigEndian(
            image, rawCoefficient(row.coefficient, RegisterTable::isSpecialRegister(row.name)), 3);
        image.append(char(TextNumber::parseInt(row.size) & 0xFF));
    }
    return image;
}

bool applyImage(const QByteArray &image, LinkSettings &link, RegisterTable &table)
{
    const int rows = table.rowCount();
    if (image.size() < imageSize(rows))
        return false;

    applyLinkBytes(link, {quint8(image[0]), quint8(image[LinkByteOffset]),
                          quint8(image[CellSizeOffset]), quint8(image[WiringOffset])});
    const qsizetype coefficients = HeaderSize + 2 * rows;
    for (int k = 0; k < table.parameterCount(); ++k) {
        const quint32 address = readBigEndian(image, HeaderSize + 2 * k, 2);
        const qsizetype p = coefficients + 4 * k;
        const double coefficient = readBigEndian(image, p, 3) / 65536.0;
        const bool special =
            RegisterTable::isSpecialRegister(table.shownText(k, RegisterTable::Column::Name));
        table.showDeviceValues(k, TextNumber::formatHex4(address),
                               TextNumber::formatInt(quint8(image[p + 3])),
                               RegisterTable::textFromCoefficient(coefficient, special));
    }
    return true;
}

} // namespace ConfigImage
