#pragma once

#include <QByteArray>
#include <QtGlobal>

// Listed rows (Parameter) are measured values and controls the engineer edits;
// Calibration rows are the device's calibration block, carried along unseen.
enum class RegisterKind : quint8
{
    Parameter = 0,
    Calibration = 1,
};

// Any stored kind other than 0 is taken as Calibration.
constexpr RegisterKind registerKindFromValue(quint32 value)
{
    return value == 0 ? RegisterKind::Parameter : RegisterKind::Calibration;
}

// One register: the texts exactly as the list shows them (code page 1251).
struct RegisterEntry
{
    QByteArray name;
    QByteArray address;
    QByteArray size;
    QByteArray coefficient;
    RegisterKind kind = RegisterKind::Parameter;

    friend bool operator==(const RegisterEntry &, const RegisterEntry &) = default;
};
