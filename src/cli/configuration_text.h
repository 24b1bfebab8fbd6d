#pragma once

#include <QByteArray>
#include <QString>

struct Session;

// A configuration as the command-line tool prints it: the link settings,
// then an aligned table of the registers as the window's list shows them;
// or one JSON object.
namespace ConfigurationText {

[[nodiscard]] QString table(const Session &session);
[[nodiscard]] QByteArray json(const Session &session);

} // namespace ConfigurationText
