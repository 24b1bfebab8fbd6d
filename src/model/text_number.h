#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// Lenient reading of the numbers that the register texts hold, and the exact
// printf-style formats they are written with. Reading never fails: a text
// without a number reads as 0. Formatting does not depend on the C locale,
// so a Russian desktop still writes "1.000", not "1,000".
namespace TextNumber {

// Hexadecimal: leading blanks, an optional "0x" or "0X", then digits of either
// case up to the first other character. Saturates at 0xFFFFFFFF.
quint32 parseHex(QByteArrayView text);

// Decimal integer: leading blanks, an optional sign, then digits up to the
// first other character. Saturates at the limits of int.
int parseInt(QByteArrayView text);

// Decimal real number: leading blanks, an optional sign, digits with an
// optional fraction and exponent. Words such as "inf" or "nan" are not
// numbers; a magnitude beyond double range reads as infinity.
double parseReal(QByteArrayView text);

// A numeric field of a window: a whole number 0 to 255 with blanks or tabs
// around it; nothing for anything else (a sign, other characters, no digits).
[[nodiscard]] std::optional<quint8> parseByteField(QStringView text);

// "0x%.4X": "0x" and at least four upper-case hex digits.
QByteArray formatHex4(quint32 value);

// "%d".
QByteArray formatInt(int value);

// "%.Nf" with round-half-even on the exact binary value, as printf does.
QByteArray formatFixed(double value, int decimals);

} // namespace TextNumber
