#pragma once

#include <QJsonObject>

struct Session;

// A configuration as one JSON object: the device ID, the link settings by
// name and every register with its kind. What show --json prints and what
// a commissioning record keeps of a device before and after.
namespace ConfigJson {

[[nodiscard]] QJsonObject object(const Session &session);

} // namespace ConfigJson
