#pragma once

#include "exchange_doubles.h"
#include "link_fields.h"
#include "link_settings_editor.h"
#include "session.h"

// What the window holds for its fields, without the window, started as the
// window starts.
struct WindowState
{
    WindowState() { link.initFields(); }

    Session session;
    MemoryLinkFields fields;
    RecordingMessages messages;
    LinkSettingsEditor link{fields, messages, session};
};
