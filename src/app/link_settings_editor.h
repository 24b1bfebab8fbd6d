#pragma once

#include "link_fields.h"
#include "test_seam.h"

#include <QString>
#include <QtGlobal>
#include <optional>

struct Session;
class UserMessages;

// Moves the session's link settings and file name between the values and the
// window's fields, and checks the fields as they change.
class LinkSettingsEditor
{
public:
    LinkSettingsEditor(LinkFields &fields, UserMessages &messages, Session &session);
    ~LinkSettingsEditor();
    LinkSettingsEditor(const LinkSettingsEditor &) = delete;
    LinkSettingsEditor &operator=(const LinkSettingsEditor &) = delete;

    // What the window, and every stand-in for it, does as it opens: shows
    // the values as constructed, sets the session's starting values, shows
    // them again once the cell size has been corrected.
    void initFields();

    // Fields into values: the three lists, then transmission mode, file
    // name, cell size, wiring, device address. A numeric field that is not a
    // whole number 0 to 255 is refused with a message and stops the taking
    // there. Returns whether every field was taken.
    bool takeFields();
    // Values into fields, the cell size last. True when the cell-size
    // field's text changed on the way: a caller that wants the addresses laid
    // out for a cell size it put there does so itself.
    bool showFields();
    // The three lists show the values, where they offer them.
    void showLinkChoices();

    void onAddressChanged();
    void onCellSizeChanged();
    void onThreeWireClicked();
    void onFourWireClicked();

private:
    friend struct TestSeam;

    bool takeNumeric(LinkFields::NumericField field, quint8 &member);

    LinkFields &linkFields;
    UserMessages &messages;
    Session &session;
    bool initialized = false;
    // Nonzero while the program sets the fields; a cell size set that way is
    // not laid out from here.
    int showing = 0;
    int shownCellSizeChanges = 0;
};
