#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class RegisterTable;

// The rules by which one register is edited: address reading, the overlap
// with other registers and the shift of those that follow a conflict, and
// the permitted coefficient ranges. They work on what the list shows.
namespace RegisterEditRules {

// Addresses from here on belong to the calibration block.
constexpr quint32 FirstReservedAddress = 0xFF00;

// A hexadecimal address as typed: leading blanks, an optional sign, an
// optional "0x", then hex digits. A minus sign gives the 32-bit two's
// complement, which lies far beyond any address the device has.
[[nodiscard]] quint32 parseAddress(QByteArrayView text);
// "0x%.4X " (a trailing blank), the form addresses are kept in.
[[nodiscard]] QByteArray addressText(quint32 address);

// Moves list row firstRow and every listed row after it into one chain that
// starts at start: each row lands at the previous position plus its own
// size in addresses. Rows before firstRow and calibration rows stay.
void shiftRegisters(RegisterTable &table, int firstRow, quint32 start, int cellSize);

// Looks for every pair of addresses that a register of newUnits addresses at
// newAddress would share with another listed row than editedRow, in list
// order, and asks about each: a Yes shifts that row and those after it from
// the shared address (shiftRegisters), a No refuses the edit. Later rows are
// read afresh, at the addresses an earlier shift gave them.
struct OverlapOutcome
{
    bool accepted = true; // no question was answered No
    bool shifted = false; // some question was answered Yes
};
OverlapOutcome resolveOverlaps(RegisterTable &table, int editedRow, quint32 newAddress,
                               int newUnits, int cellSize, const std::function<bool()> &askShift);

// Whether the device can hold the listed rows, with editedRow moved to
// newAddress and newUnits addresses: no two rows share an address and no
// other row starts in the calibration block.
[[nodiscard]] bool isHoldableLayout(const RegisterTable &table, int editedRow, quint32 newAddress,
                                    int newUnits, int cellSize);

// A power register: "мощность" in its name after the first character.
[[nodiscard]] bool isPowerRegister(QByteArrayView name);
// The warning's range line when K is outside the range of an ordinary
// (not special) register; nothing when it is inside. Limits are inclusive.
[[nodiscard]] std::optional<QString> coefficientRangeText(QByteArrayView name, double k);

} // namespace RegisterEditRules
