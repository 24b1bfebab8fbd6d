#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

class RegisterTable;

// The rules by which one register is edited: address reading, the shift of
// the registers that follow a conflict, and the permitted coefficient ranges.
namespace RegisterEditRules {

// Addresses from here on belong to the calibration block.
constexpr quint32 FirstReservedAddress = 0xFF00;

// A hexadecimal address as typed: leading blanks, an optional sign, an
// optional "0x", then hex digits. A minus sign gives the 32-bit two's
// complement, which lies far beyond any address the device has.
quint32 parseAddress(QByteArrayView text);
// "0x%.4X " (a trailing blank), the form addresses are kept in.
QByteArray addressText(quint32 address);

// Moves list row firstRow and every listed row after it into one chain that
// starts at start: each row lands at the previous position plus its own
// size in addresses. Rows before firstRow and calibration rows stay.
void shiftRegisters(RegisterTable &table, int firstRow, quint32 start, int cellSize);

// A power register: "мощность" in its name after the first character.
bool isPowerRegister(QByteArrayView name);
// The warning's range line when K is outside the range of an ordinary
// (not special) register; nothing when it is inside. Limits are inclusive.
std::optional<QString> coefficientRangeText(QByteArrayView name, double k);

} // namespace RegisterEditRules
