#pragma once

#include "exchange_engine.h"
#include "exchange_timers.h"

class SerialPort;
struct Session;

// The engine on the serial port with the real timers, wired to both: the
// timers call it back and the port's arrivals reach it. The window, the
// command-line tool and the live tests each hold one; tests of the engine
// alone give it a scripted line and timers they fire themselves instead.
class SerialExchange
{
public:
    SerialExchange(SerialPort &port, Session &session);
    SerialExchange(const SerialExchange &) = delete;
    SerialExchange &operator=(const SerialExchange &) = delete;

    [[nodiscard]] ExchangeEngine &engine() { return exchangeEngine; }
    [[nodiscard]] const QtExchangeTimers &timers() const { return realTimers; }

private:
    QtExchangeTimers realTimers;
    ExchangeEngine exchangeEngine;
};
