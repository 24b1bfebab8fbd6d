#pragma once

#include <QByteArrayView>
#include <QString>

// The simulator's traffic log on standard error: one line per frame or event,
// with the time of day to the millisecond. Control characters are escaped.
namespace LineLog {

void frame(const char *direction, QByteArrayView bytes);
void event(const QString &text);

} // namespace LineLog
