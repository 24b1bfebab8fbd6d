#pragma once

#include <QtGlobal>
#include <optional>

enum class TransmissionMode
{
    Ascii,
    Rtu
};
enum class Parity
{
    None,
    Even,
    Odd
};
enum class StopBits
{
    One,
    Two
};
enum class WiringChoice
{
    Unset,
    ThreeWire,
    FourWire
};

// The transducer's own link settings: what it is written and what it reports.
// The baud rate is kept as the LinkByte's code, exactly as it came, so that a
// rate without an entry in the window's list is not lost.
struct LinkSettings
{
    quint8 deviceAddress = 0;
    std::optional<TransmissionMode> transmissionMode;
    std::optional<quint8> baudCode; // bits 0-3 of the LinkByte
    std::optional<Parity> parity;
    std::optional<StopBits> stopBits;
    quint8 cellSize = 0; // 1 to 4 once the window is open
    quint8 wiringByte = FourWireByte;
    WiringChoice wiringChoice = WiringChoice::Unset;

    static constexpr quint8 ThreeWireByte = 0x20;
    static constexpr quint8 FourWireByte = 0x10;
    static constexpr int MaxDeviceAddress = 247;

    friend bool operator==(const LinkSettings &, const LinkSettings &) = default;
};

// The rate of a LinkByte baud code 2 to 10; nothing for any other code.
[[nodiscard]] std::optional<int> baudRateOfCode(int code);
// The code of a rate; nothing for a rate without one.
[[nodiscard]] std::optional<quint8> baudCodeOfRate(int rate);
// The codes the window offers and a write may set: 1200 to 19200 baud. Codes
// 8 to 10 (28800 to 115200) can only arrive from a device or a file.
[[nodiscard]] bool isOfferedBaudCode(quint8 code);

// The LinkByte: bits 0-3 baud-rate code, bit 4 two stop bits, bit 5 odd
// parity (with bit 6), bit 6 parity on, bit 7 RTU. Unset settings pack as
// the original program did: mode RTU, parity odd, one stop bit, code 0.
[[nodiscard]] quint8 packLinkByte(const LinkSettings &link);
void unpackLinkByte(LinkSettings &link, quint8 linkByte);

// The settings as the window holds them once it has shown them: the cell
// size held to 1..4 and the device address to at most 247, as the window's
// field checks hold them. What a save after a read writes.
[[nodiscard]] LinkSettings asTheWindowHoldsThem(LinkSettings link);

// The four bytes of link settings the device holds, as the configuration
// image and configuration files carry them.
struct LinkBytes
{
    quint8 deviceAddress = 0;
    quint8 linkByte = 0;
    quint8 cellSize = 0;
    quint8 wiringByte = 0;

    friend bool operator==(const LinkBytes &, const LinkBytes &) = default;
};
[[nodiscard]] LinkBytes linkBytes(const LinkSettings &link);
// Takes the four bytes a device answer or a file carries: the wiring radio
// follows the wiring byte (three-wire for 0x20, four-wire for any other).
void applyLinkBytes(LinkSettings &link, const LinkBytes &bytes);
