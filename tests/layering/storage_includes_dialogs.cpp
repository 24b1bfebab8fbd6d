// No core layer knows the dialogs.
#include "register_properties_dialog.h"
