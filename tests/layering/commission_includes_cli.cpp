// Commissioning knows no command line.
#include "cli_tool.h"
