#include "link_settings.h"

#include <algorithm>
#include <array>

namespace {

// Rates of the baud codes from FirstBaudCode on.
constexpr std::array<int, 9> baudRates = {1200,  2400,  4800,  9600,  14400,
                                          19200, 28800, 57600, 115200};
constexpr int FirstBaudCode = 2;

} // namespace

std::optional<int> baudRateOfCode(int code)
{
    const int index = code - FirstBaudCode;
    if (index < 0 || index >= int(baudRates.size()))
        return std::nullopt;
    return baudRates[std::size_t(index)];
}

std::optional<quint8> baudCodeOfRate(int rate)
{
    for (std::size_t i = 0; i < baudRates.size(); ++i) {
        if (baudRates[i] == rate)
            return quint8(FirstBaudCode + int(i));
    }
    return std::nullopt;
}

bool isOfferedBaudCode(quint8 code)
{
    const std::optional<int> rate = baudRateOfCode(code);
    return rate && *rate <= 19200;
}

quint8 packLinkByte(const LinkSettings &link)
{
    const int mode = link.transmissionMode == TransmissionMode::Ascii ? 0 : 1;
    const int parity = link.parity == Parity::None ? 0 : link.parity == Parity::Even ? 2 : 3;
    const int stopBits = link.stopBits == StopBits::Two ? 1 : 0;
    const int baud = link.baudCode.value_or(0) & 0x0F;
    return quint8(mode * 0x80 + parity * 0x20 + stopBits * 0x10 + baud);
}

void unpackLinkByte(LinkSettings &link, quint8 linkByte)
{
    link.baudCode = quint8(linkByte & 0x0F);
    link.stopBits = (linkByte & 0x10) ? StopBits::Two : StopBits::One;
    if (linkByte & 0x40)
        link.parity = (linkByte & 0x20) ? Parity::Odd : Parity::Even;
    else
        link.parity = Parity::None;
    link.transmissionMode = (linkByte & 0x80) ? TransmissionMode::Rtu : TransmissionMode::Ascii;
}

LinkSettings asTheWindowHoldsThem(LinkSettings link)
{
    link.cellSize = std::clamp<quint8>(link.cellSize, 1, 4);
    link.deviceAddress = quint8(std::min<int>(link.deviceAddress, LinkSettings::MaxDeviceAddress));
    return link;
}

LinkBytes linkBytes(const LinkSettings &link)
{
    return {link.deviceAddress, packLinkByte(link), link.cellSize, link.wiringByte};
}

void applyLinkBytes(LinkSettings &link, const LinkBytes &bytes)
{
    link.deviceAddress = bytes.deviceAddress;
    unpackLinkByte(link, bytes.linkByte);
    link.cellSize = bytes.cellSize;
    link.wiringByte = bytes.wiringByte;
    link.wiringChoice = bytes.wiringByte == LinkSettings::ThreeWireByte ? WiringChoice::ThreeWire
                                                                        : WiringChoice::FourWire;
}
