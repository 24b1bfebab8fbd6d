#pragma once

#include "user_messages.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Why an exchange failed or a write was not sent, with what its message
// needs to say.
struct ExchangeError
{
    enum class Kind
    {
        NoReply,           // nothing arrived within the reply window
        ReceptionError,    // the reply failed the frame test or was too short
        TransmissionError, // the write echo differs from what was sent
        DeviceId,          // another device answered: answeredId instead of heldId
        DeviceAddress,     // write refused, or a field: the device address is above 247
        CellSize,          // write refused, or a field: the cell size is not 1 to 4
        ModeUnset,         // write refused: no transmission mode
        BaudRateUnset,     // write refused: no baud rate
        ParityUnset,       // write refused: no parity
        StopBitsUnset,     // write refused: no stop bits
        Coefficient,       // write refused: registerName's coefficient cannot be held
        UnknownModel,      // write refused: heldId has no built-in register map
        RowCount,          // write refused: rows in the table, rows of heldId's map
    };

    static ExchangeError of(Kind kind) { return {kind, 0, 0, {}}; }
    static ExchangeError deviceId(int answered, int held)
    {
        return {Kind::DeviceId, answered, held, {}};
    }
    static ExchangeError coefficient(const QByteArray &name)
    {
        return {Kind::Coefficient, 0, 0, name};
    }
    static ExchangeError unknownModel(int held) { return {Kind::UnknownModel, 0, held, {}}; }
    static ExchangeError rowCount(int held, int tableRows, int mapRows)
    {
        return {Kind::RowCount, 0, held, {}, tableRows, mapRows};
    }

    Kind kind = Kind::NoReply;
    int answeredId = 0;
    int heldId = 0;
    QByteArray registerName; // code page 1251
    int tableRows = 0;
    int mapRows = 0;

    friend bool operator==(const ExchangeError &, const ExchangeError &) = default;
};

// The message the user sees for an error: caption "Ошибка", an exclamation
// icon and the error's text.
[[nodiscard]] UserMessage exchangeErrorMessage(const ExchangeError &error);

// The refusal of a coefficient the device cannot hold, naming its register.
[[nodiscard]] QString coefficientRefusalText(QByteArrayView registerName);
