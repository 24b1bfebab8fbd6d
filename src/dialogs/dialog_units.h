#pragma once

#include <QFontMetrics>
#include <QRect>

// Converts dialog layout units into pixels for a font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its character height. Windows laid out in these units keep their
// arrangement and proportions on any font and screen resolution.
class DialogUnits
{
public:
    explicit DialogUnits(const QFontMetrics &metrics);
    // Base units given outright, for checking the conversion itself.
    DialogUnits(int baseWidth, int baseHeight) : baseWidth(baseWidth), baseHeight(baseHeight) {}

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;

private:
    int baseWidth;
    int baseHeight;
};
