#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

struct Session;

// A configuration as the command-line tool prints it: the link settings,
// then an aligned table of the registers as the window's list shows them;
// or one JSON object. And the differences between two configurations as a
// device stores them.
namespace ConfigurationText {

[[nodiscard]] QString table(const Session &session);
[[nodiscard]] QByteArray json(const Session &session);
[[nodiscard]] QJsonObject jsonObject(const Session &session);

// One line per difference between a file's configuration and a device's,
// both as the device stores them: link settings, then every register's
// address, size and coefficient (after the 16-bit fraction). deviceImage is
// the image the device sent. Empty when they are the same.
[[nodiscard]] QStringList differences(const Session &file, const Session &device,
                                      const QByteArray &deviceImage);

} // namespace ConfigurationText
