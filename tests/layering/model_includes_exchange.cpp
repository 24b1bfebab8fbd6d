// The model lies below the exchange.
#include "exchange_engine.h"
