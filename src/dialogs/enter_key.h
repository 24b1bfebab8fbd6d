#pragma once

class QKeyEvent;
class QWidget;

// The program's dialogs have no default button: Enter presses the push
// button that has the focus, if one has it. True when the event was Enter
// (and so is handled); a window then does whatever else Enter means to it.
bool pressFocusedButtonOnEnter(QWidget *window, QKeyEvent *event, bool &buttonPressed);
