#pragma once

#include "link_settings.h"
#include "register_table.h"

#include <QString>

// The configuration the engineer is working on: the device it belongs to,
// the name of its configuration file, the link settings and the register
// table. The main window owns one; the exchange, the file commands and the
// properties dialog work on it.
struct Session
{
    int deviceId = 0;
    QString configFileName;
    LinkSettings link;
    RegisterTable table;
};
