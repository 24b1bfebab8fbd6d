#include "dialog_units.h"

namespace {

// Rounds to nearest, as the platforms that define these units do.
int scale(int units, int base, int divisor)
{
    return (units * base + divisor / 2) / divisor;
}

} // namespace

DialogUnits::DialogUnits(const QFontMetrics &metrics)
{
    // The average over the letters, not the font's own figure, which some
    // fonts leave at zero or base on digits.
    static const QString letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    baseWidth = (metrics.horizontalAdvance(letters) + 26) / 52;
    baseHeight = metrics.height();
}

int DialogUnits::x(int units) const
{
    return scale(units, baseWidth, 4);
}

int DialogUnits::y(int units) const
{
    return scale(units, baseHeight, 8);
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    return QRect(x(left), y(top), x(width), y(height));
}
