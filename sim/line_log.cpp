#include "line_log.h"

#include "traffic_log.h"

#include <QTime>
#include <cstdio>

namespace LineLog {

QString escaped(QByteArrayView bytes)
{
    return TrafficFormat::escaped(bytes);
}

static void line(const QString &text)
{
    const QString stamped = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + text;
    std::fprintf(stderr, "%s\n", stamped.toLocal8Bit().constData());
    std::fflush(stderr);
}

void frame(const char *direction, QByteArrayView bytes)
{
    line(QStringLiteral("%1 %2 (%3 chars)")
             .arg(QLatin1String(direction), escaped(bytes))
             .arg(bytes.size()));
}

void event(const QString &text)
{
    line(text);
}

} // namespace LineLog
