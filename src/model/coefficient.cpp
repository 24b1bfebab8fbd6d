#include "coefficient.h"

#include "cp1251.h"
#include "text_number.h"

#include <cmath>

namespace Coefficient {
namespace {

constexpr double UnitsPerCoefficient = 5000;
constexpr double FieldScale = 65536;    // 16 fraction bits
constexpr double FieldRange = 16777216; // 24 bits

} // namespace

bool isSpecial(QByteArrayView registerName)
{
    static const QByteArray markers[] = {
        toCp1251(u"Частота"), "Wrst", "te", "Wp+", "Wp-", "Wq+", "Wq-",
    };
    for (const QByteArray &marker : markers) {
        if (registerName.contains(marker))
            return true;
    }
    return false;
}

QByteArray textFromCoefficient(double coefficient, QByteArrayView registerName)
{
    const double units = coefficient * UnitsPerCoefficient;
    return isSpecial(registerName) ? TextNumber::formatFixed(units * 0.0002, 3)
                                   : TextNumber::formatFixed(units, 0);
}

double coefficientFromText(QByteArrayView kText, QByteArrayView registerName)
{
    const double x = TextNumber::parseReal(kText) * 0.0002;
    return isSpecial(registerName) ? x * UnitsPerCoefficient : x;
}

quint32 fieldFromText(QByteArrayView kText, QByteArrayView registerName)
{
    const double raw = std::trunc(coefficientFromText(kText, registerName) * FieldScale);
    if (!std::isfinite(raw))
        return 0;
    // The low 24 bits of the two's complement, taken without overflow.
    double low = std::fmod(raw, FieldRange);
    if (low < 0)
        low += FieldRange;
    return quint32(low);
}

QByteArray textFromField(quint32 field, QByteArrayView registerName)
{
    return textFromCoefficient(field / FieldScale, registerName);
}

bool fitsDevice(double coefficient)
{
    return std::isfinite(coefficient) && coefficient >= 0 && coefficient < FieldRange / FieldScale;
}

} // namespace Coefficient
