#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// A register's scaling coefficient, in its three forms:
//  - the K text the table keeps and the list shows. For most rows it is the
//    device coefficient in units of 1/5000, a whole number ("5000" is 1.0):
//    the transducer's own configuration software counts in those units, so
//    engineers read and type them. The special rows (frequency and the
//    energy counters) show the device coefficient itself with three
//    decimals ("1.000"), as that software does too.
//  - the device coefficient, the real number the transducer multiplies by.
//    0.0002 is 1/5000: a K value times 0.0002 is the device coefficient.
//  - the image field that carries it: 24 bits of unsigned fixed point with
//    16 fraction bits, so the device holds 0 <= coefficient < 256 in steps
//    of 1/65536.
// Every conversion between them, and the test of which rows are special,
// lives here.
namespace Coefficient {

// Whether the row of this name shows its device coefficient itself.
[[nodiscard]] bool isSpecial(QByteArrayView registerName);

// The device coefficient for a K text; blanks before it are skipped, reading
// stops where a number cannot go on, no number gives 0.
[[nodiscard]] double coefficientFromText(QByteArrayView kText, QByteArrayView registerName);
// The K text of a device coefficient.
[[nodiscard]] QByteArray textFromCoefficient(double coefficient, QByteArrayView registerName);

// The image field for a K text: truncated toward zero, its low 24 bits kept.
[[nodiscard]] quint32 fieldFromText(QByteArrayView kText, QByteArrayView registerName);
// The K text an image field shows.
[[nodiscard]] QByteArray textFromField(quint32 field, QByteArrayView registerName);

// Whether a device coefficient fits the image field.
[[nodiscard]] bool fitsDevice(double coefficient);

} // namespace Coefficient
