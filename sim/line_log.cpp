#include "line_log.h"

#include "traffic_log.h"

#include <QTime>
#include <cstdio>

namespace LineLog {

static void line(const QString &text)
{
    const QByteArray stamped =
        (QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + text + u'\n')
            .toLocal8Bit();
    // Written whole: a NUL in the text must not end the line early.
    std::fwrite(stamped.constData(), 1, size_t(stamped.size()), stderr);
    std::fflush(stderr);
}

void frame(const char *direction, QByteArrayView bytes)
{
    // One pass: a frame may hold "%1" itself.
    line(QStringLiteral("%1 %2 (%3 chars)")
             .arg(QLatin1String(direction), TrafficFormat::escaped(bytes),
                  QString::number(bytes.size())));
}

void event(const QString &text)
{
    line(text);
}

} // namespace LineLog
