#include "text_number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace TextNumber {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

qsizetype skipBlanks(QByteArrayView text, qsizetype i)
{
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

} // namespace

quint32 parseHex(QByteArrayView text)
{
    qsizetype i = skipBlanks(text, 0);
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        i += 2;
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = std::min<quint64>(value * 16 + quint64(digit), 0xFFFFFFFFu);
    }
    return quint32(value);
}

int parseInt(QByteArrayView text)
{
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        value = std::min<qint64>(value * 10 + (text[i] - '0'), limit);
    value = negative ? -value : std::min<qint64>(value, limit - 1);
    return int(value);
}

double parseReal(QByteArrayView text)
{
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const qsizetype start = i;
    qsizetype digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return 0.0;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            i = j;
            while (i < text.size() && isDigit(text[i]))
                ++i;
        } else {
            negativeExponent = false;
        }
    }
    double value = 0.0;
    const char *first = text.data() + start;
    const auto [end, error] = std::from_chars(first, text.data() + i, value);
    if (error == std::errc::result_out_of_range)
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    else if (error != std::errc() || end == first)
        value = 0.0;
    return negative ? -value : value;
}

std::optional<quint8> parseByteField(QStringView text)
{
    const auto isFieldBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isFieldBlank(text.at(begin)))
        ++begin;
    while (end > begin && isFieldBlank(text.at(end - 1)))
        --end;
    if (begin == end)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 255)
            return std::nullopt;
    }
    return quint8(value);
}

QByteArray formatHex4(quint32 value)
{
    QByteArray digits = QByteArray::number(value, 16).toUpper();
    return "0x" + digits.rightJustified(4, '0');
}

QByteArray formatInt(int value)
{
    return QByteArray::number(value);
}

QByteArray formatFixed(double value, int decimals)
{
    // Enough for every finite double in fixed notation (309 integer digits).
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return QByteArray();
    return QByteArray(buffer, result.ptr - buffer);
}

} // namespace TextNumber
