// The serial link does not know the register model.
#include "register_table.h"
