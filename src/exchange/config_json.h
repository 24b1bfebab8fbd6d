#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

struct Session;

// A configuration as one JSON object: the device ID, the link settings by
// name and every register with its kind. What show --json prints and what
// a commissioning record keeps of a device before and after.
namespace ConfigJson {

[[nodiscard]] QJsonObject object(const Session &session);
// A text as JSON, null when it is empty: how every JSON output writes "none".
[[nodiscard]] QJsonValue textOrNull(const QString &text);

} // namespace ConfigJson
