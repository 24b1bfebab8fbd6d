// No core layer knows the window.
#include "main_dialog.h"
