#include "serial_exchange.h"

#include "serial_port.h"

SerialExchange::SerialExchange(SerialPort &port, Session &session)
    : realTimers([this](ExchangeTimers::TimerId id) { exchangeEngine.onTimer(id); }),
      exchangeEngine(port, realTimers, session)
{
    QObject::connect(&port, &SerialPort::charactersArrived, &exchangeEngine,
                     &ExchangeEngine::onCharactersArrived);
}
