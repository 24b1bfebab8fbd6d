#include "exit_code.h"

#include "serial_port.h"

namespace ExitCode {

int of(const ExchangeError &error)
{
    using Kind = ExchangeError::Kind;
    switch (error.kind) {
    case Kind::NoReply:
        return NoReply;
    case Kind::ReceptionError:
        return Reception;
    case Kind::DeviceId:
        return DeviceId;
    case Kind::TransmissionError:
        return EchoDiffers;
    case Kind::DeviceAddress:
    case Kind::CellSize:
    case Kind::ModeUnset:
    case Kind::BaudRateUnset:
    case Kind::ParityUnset:
    case Kind::StopBitsUnset:
    case Kind::Coefficient:
    case Kind::UnknownModel:
    case Kind::RowCount:
        break;
    }
    return Refused;
}

int of(const ExchangeOutcome &outcome, ExchangeKind kind)
{
    if (outcome.error)
        return of(*outcome.error);
    if (outcome.stopped)
        return Interrupted;
    // Whatever else ended it was not the answer: as good as none.
    return outcome.succeeded(kind) ? Success : NoReply;
}

QStringList problemsOf(const ExchangeOutcome &outcome, ExchangeKind kind, const SerialPort &port,
                       const QString &portName)
{
    QStringList problems;
    if (outcome.error) {
        problems << exchangeErrorMessage(*outcome.error).text;
        if (port.hasVanished())
            problems << port.vanishedText(portName);
    } else if (of(outcome, kind) == NoReply) {
        problems << exchangeErrorMessage(ExchangeError::of(ExchangeError::Kind::NoReply)).text;
    }
    return problems;
}

} // namespace ExitCode
