#pragma once

#include <QString>
#include <QStringList>

// The words the user reads for the device's link settings and for the
// register list, in one place for the window, the command-line tool and the
// mode strings. It lies in the lowest layer all of them see.
namespace DisplayTexts {

enum class Field
{
    DeviceId,
    DeviceAddress,
    Mode,
    BaudRate,
    Parity,
    StopBits,
    CellSize,
};

// The field's label, as the window and the command-line tool write it.
[[nodiscard]] QString label(Field field);
// No parity, even, odd: the order of the window's list.
[[nodiscard]] QStringList parityWords();
[[nodiscard]] QString wiringWord(bool threeWire);
// Name, address, size, coefficient.
[[nodiscard]] QStringList columnCaptions();

} // namespace DisplayTexts
