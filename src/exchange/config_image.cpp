#include "config_image.h"

#include "link_settings.h"
#include "register_table.h"
#include "text_number.h"

#include <cmath>

namespace ConfigImage {
namespace {

using Choice = LinkFields::Choice;

constexpr int baudRates[] = {1200, 2400, 4800, 9600, 14400, 19200, 28800, 57600, 115200};
constexpr int FirstBaudCode = 2;

int baudRateCode(const QString &text)
{
    const int rate = TextNumber::parseInt(text.toLatin1());
    for (int i = 0; i < int(std::size(baudRates)); ++i) {
        if (baudRates[i] == rate)
            return FirstBaudCode + i;
    }
    return 0;
}

quint32 bigEndian(const QByteArray &bytes, qsizetype offset, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

} // namespace

void appendBigEndian(QByteArray &bytes, quint32 value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
}

QString baudRateText(int code)
{
    if (code < FirstBaudCode || code >= FirstBaudCode + int(std::size(baudRates)))
        return QString();
    return QString::number(baudRates[code - FirstBaudCode]);
}

quint8 packLinkByte(const LinkSettingsEditor &link)
{
    const LinkFields &fields = link.fields();
    const int mode = link.settings.transmissionMode == TransmissionMode::Ascii ? 0 : 1;
    const QString parityText = fields.selectedText(Choice::Parity);
    const int parity = parityText == u"НЕТ" ? 0 : parityText == u"ЧЕТ" ? 2 : 3;
    const int stopBits = fields.selectedText(Choice::StopBits) == u"2" ? 1 : 0;
    const int baud = baudRateCode(fields.selectedText(Choice::BaudRate));
    return quint8(mode * 0x80 + parity * 0x20 + stopBits * 0x10 + baud);
}

void unpackLinkByte(LinkSettingsEditor &link, quint8 linkByte)
{
    LinkFields &fields = link.fields();
    // A rate the list does not offer (codes 8 to 10) or no rate at all leaves
    // the list's selection as it was.
    const QString rate = baudRateText(linkByte & 0x0F);
    if (!rate.isEmpty())
        fields.select(Choice::BaudRate, rate);
    fields.select(Choice::StopBits, (linkByte & 0x10) ? QStringLiteral("2") : QStringLiteral("1"));
    QString parity = QStringLiteral("НЕТ");
    if (linkByte & 0x40)
        parity = (linkByte & 0x20) ? QStringLiteral("НЕЧЕТ") : QStringLiteral("ЧЕТ");
    fields.select(Choice::Parity, parity);
    link.settings.transmissionMode =
        (linkByte & 0x80) ? TransmissionMode::Rtu : TransmissionMode::Ascii;
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

LinkBytes linkBytes(const LinkSettingsEditor &link)
{
    return {link.settings.deviceAddress, packLinkByte(link), link.settings.cellSize,
            link.settings.wiringByte};
}

QByteArray buildImage(int deviceId, const LinkSettingsEditor &link, const RegisterTable &table)
{
    QList<RegisterEntry> rows;
    rows.reserve(table.rowCount());
    for (int r = 0; r < table.rowCount(); ++r)
        rows.append(table.row(r));
    return buildImage(deviceId, linkBytes(link), rows);
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

bool applyImage(const QByteArray &image, LinkSettingsEditor &link, RegisterTable &table)
{
    const int rows = table.rowCount();
    const int listed = std::min(table.parameterCount(), rows);
    if (image.size() < imageSize(rows))
        return false;

    LinkSettings &settings = link.settings;
    settings.deviceAddress = quint8(image[0]);
    unpackLinkByte(link, quint8(image[LinkByteOffset]));
    settings.cellSize = quint8(image[CellSizeOffset]);
    settings.wiringByte = quint8(image[WiringOffset]);
    settings.wiringChoice = settings.wiringByte == LinkSettings::ThreeWireByte
                                ? WiringChoice::ThreeWire
                                : WiringChoice::FourWire;

    RegisterList &list = table.registerList();
    for (int i = 0; i < listed; ++i) {
        const quint32 address = bigEndian(image, HeaderSize + 2 * i, 2);
        list.setText(i, RegisterList::AddressColumn, TextNumber::formatHex4(address));
    }
    const qsizetype coefficients = HeaderSize + 2 * rows;
    for (int j = 0; j < listed; ++j) {
        const qsizetype p = coefficients + 4 * j;
        const double coefficient = bigEndian(image, p, 3) / 65536.0;
        const bool special =
            RegisterTable::isSpecialRegister(list.text(j, RegisterList::NameColumn));
        list.setText(j, RegisterList::CoefficientColumn,
                     RegisterTable::textFromCoefficient(coefficient, special));
        list.setText(j, RegisterList::SizeColumn, TextNumber::formatInt(quint8(image[p + 3])));
    }
    link.relayoutOnCellSizeChange = false;
    link.showFields();
    link.relayoutOnCellSizeChange = true;
    return true;
}

} // namespace ConfigImage
