#pragma once

#include <QString>
#include <optional>

// Line settings as a mode string gives them: "baud,parity,data bits,stop bits",
// for example "9600,N,7,2".
// The line's own types, whatever the platform's port calls them.
enum class LineParity { None, Even, Odd, Mark, Space };
enum class LineStopBits { One, OneAndHalf, Two };

struct LineSettings
{
    qint32 baudRate = 9600;
    LineParity parity = LineParity::None;
    int dataBits = 7; // 5 to 8
    LineStopBits stopBits = LineStopBits::Two;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// The port's fixed line settings: the transducers always talk at these.
inline const QString PortModeString = QStringLiteral("9600,N,7,2");

// Blanks anywhere are ignored. Parity is a letter (N, O, E, M, S; the first
// letter of the field counts) or one of the words "НЕТ", "НЕЧЕТ", "ЧЕТ".
// Data bits is one digit 5 to 8; stop bits "1", "1.5" or "2". Anything else
// (fewer than three commas, an unknown parity, a rate that is no positive
// number) is refused with nullopt.
std::optional<LineSettings> parseModeString(const QString &mode);
