#pragma once

#include "exchange_engine.h"
#include "exchange_timers.h"
#include "serial_port.h"

#include <QObject>

// The engine of one session on the port, with real timers.
struct SessionExchange
{
    SessionExchange(SerialPort &port, Session &session) : engine(port, timers, session)
    {
        QObject::connect(&port, &SerialPort::charactersArrived, &engine,
                         &ExchangeEngine::onCharactersArrived);
    }

    QtExchangeTimers timers{[this](ExchangeTimers::TimerId id) { engine.onTimer(id); }};
    ExchangeEngine engine;
};
