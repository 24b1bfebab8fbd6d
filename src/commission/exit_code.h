#pragma once

#include "exchange_run.h"

#include <QStringList>

class SerialPort;

// The exit codes of ostrivan-cli, which a commissioning record keeps too;
// listed in --help and the README.
namespace ExitCode {

enum : int
{
    Success = 0,      // diff: the same
    Differ = 1,       // diff: they differ
    Usage = 2,        // usage error
    PortFailed = 3,   // the port cannot be opened
    NoReply = 4,      // no reply
    Reception = 5,    // reception error
    DeviceId = 6,     // device ID error
    EchoDiffers = 7,  // the write echo differs
    FileFailed = 8,   // the file cannot be read or is refused, or output fails
    Refused = 9,      // refused before sending
    NotStored = 10,   // commission: the device keeps other than what was written
    Interrupted = 130 // SIGINT or SIGTERM
};

// The code of an exchange's error; a write's refusal is Refused.
[[nodiscard]] int of(const ExchangeError &error);

// The code of an exchange's outcome: Success only for the answer asked
// for; a wait ended by a signal is Interrupted.
[[nodiscard]] int of(const ExchangeOutcome &outcome, ExchangeKind kind);

// What the user is told of an outcome that is no success: the error's text,
// or that nothing answered, and that the port opened as portName vanished
// when it did. Empty for a success or a stop.
[[nodiscard]] QStringList problemsOf(const ExchangeOutcome &outcome, ExchangeKind kind,
                                     const SerialPort &port, const QString &portName);

} // namespace ExitCode
