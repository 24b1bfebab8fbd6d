#include "config_file.h"

#include "coefficient.h"
#include "cp1251.h"
#include "register_table.h"
#include "text_number.h"

#include <QtEndian>
#include <optional>

namespace ConfigFile {

namespace {

void appendLittleEndian(QByteArray &bytes, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// Reads fields in order; every read checks the bytes that remain first, so
// no length from the file sizes anything before it has been checked.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : bytes(bytes) {}

    std::optional<quint32> number(int width)
    {
        if (remaining() < width)
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < width; ++i)
            value |= quint32(quint8(bytes[position + i])) << (8 * i);
        position += width;
        return value;
    }

    std::optional<QByteArray> countedString()
    {
        std::optional<quint64> length = lengthPrefix();
        if (!length)
            return std::nullopt;
        if (*length != Utf16Marker)
            return take(*length);
        // A UTF-16 string: a second prefix counts its 16-bit characters.
        length = lengthPrefix();
        if (!length || *length > quint64(remaining()) / 2)
            return std::nullopt;
        const std::optional<QByteArray> raw = take(*length * 2);
        if (!raw)
            return std::nullopt;
        QString text;
        text.resize(qsizetype(*length));
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(raw->constData() + 2 * i));
        return toCp1251(text);
    }

    qsizetype remaining() const { return bytes.size() - position; }

private:
    // Stands for the UTF-16 form where a 16-bit length would be.
    static constexpr quint64 Utf16Marker = quint64(1) << 40;

    std::optional<quint64> lengthPrefix()
    {
        const std::optional<quint32> first = number(1);
        if (!first)
            return std::nullopt;
        if (*first < 0xFF)
            return *first;
        const std::optional<quint32> wide = number(2);
        if (!wide)
            return std::nullopt;
        if (*wide == 0xFFFE)
            return Utf16Marker;
        if (*wide < 0xFFFF)
            return *wide;
        const std::optional<quint32> full = number(4);
        if (!full)
            return std::nullopt;
        return *full;
    }

    std::optional<QByteArray> take(quint64 length)
    {
        if (length > quint64(remaining()))
            return std::nullopt;
        QByteArray text(bytes.constData() + position, qsizetype(length));
        position += qsizetype(length);
        return text;
    }

    QByteArrayView bytes;
    qsizetype position = 0;
};

} // namespace

void appendCountedString(QByteArray &bytes, QByteArrayView text)
{
    const qsizetype length = text.size();
    if (length < 0xFF) {
        bytes.append(char(length));
    } else if (length < 0xFFFE) {
        bytes.append(char(0xFF));
        appendLittleEndian(bytes, quint32(length), 2);
    } else {
        bytes.append(char(0xFF));
        appendLittleEndian(bytes, 0xFFFF, 2);
        appendLittleEndian(bytes, quint32(length), 4);
    }
    bytes.append(text);
}

QByteArray fileCoefficient(const RegisterEntry &row)
{
    return TextNumber::formatFixed(Coefficient::coefficientFromText(row.coefficient, row.name), 3);
}

QByteArray kTextFromFile(QByteArrayView name, QByteArrayView fileText)
{
    return Coefficient::textFromCoefficient(TextNumber::parseReal(fileText), name);
}

QByteArray encode(const Configuration &configuration)
{
    QByteArray bytes;
    appendLittleEndian(bytes, configuration.deviceId, 4);
    bytes.append(char(configuration.rows.size()));
    for (const RegisterEntry &row : configuration.rows) {
        appendCountedString(bytes, row.name);
        appendCountedString(bytes, row.address);
        appendCountedString(bytes, row.size);
        appendLittleEndian(bytes, row.kind == RegisterKind::Parameter ? 0 : 1, 4);
        appendCountedString(bytes, fileCoefficient(row));
    }
    bytes.append(char(configuration.link.deviceAddress));
    bytes.append(char(configuration.link.linkByte));
    bytes.append(char(configuration.link.cellSize));
    bytes.append(char(configuration.link.wiringByte));
    return bytes;
}

ReadResult decode(QByteArrayView bytes)
{
    ReadResult result;
    Reader reader(bytes);
    Configuration &c = result.configuration;
    const auto pastEnd = [&result] {
        result.error = ReadError::PastEnd;
        return result;
    };

    const std::optional<quint32> deviceId = reader.number(4);
    const std::optional<quint32> rowCount = reader.number(1);
    if (!deviceId || !rowCount)
        return pastEnd();
    if (*rowCount > quint32(RegisterTable::MaxRows)) {
        result.error = ReadError::TooManyRows;
        return result;
    }
    c.deviceId = *deviceId;
    for (quint32 r = 0; r < *rowCount; ++r) {
        RegisterEntry row;
        const std::optional<QByteArray> name = reader.countedString();
        const std::optional<QByteArray> address = name ? reader.countedString() : std::nullopt;
        const std::optional<QByteArray> size = address ? reader.countedString() : std::nullopt;
        const std::optional<quint32> kind = size ? reader.number(4) : std::nullopt;
        const std::optional<QByteArray> coefficient = kind ? reader.countedString() : std::nullopt;
        if (!coefficient)
            return pastEnd();
        row.name = *name;
        row.address = *address;
        row.size = *size;
        row.kind = registerKindFromValue(*kind);
        row.coefficient = kTextFromFile(row.name, *coefficient);
        c.rows.append(row);
    }
    const std::optional<quint32> link = reader.number(4);
    if (!link)
        return pastEnd();
    c.link = {quint8(*link & 0xFF), quint8((*link >> 8) & 0xFF), quint8((*link >> 16) & 0xFF),
              quint8(*link >> 24)};
    if (reader.remaining() > 0)
        result.error = ReadError::TrailingBytes;
    return result;
}

} // namespace ConfigFile
