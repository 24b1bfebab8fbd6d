#include "line_log.h"

#include <QTime>
#include <cstdio>

namespace LineLog {

QString escaped(QByteArrayView bytes)
{
    QString text;
    for (char c : bytes) {
        const auto byte = quint8(c);
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (byte < 0x20 || byte >= 0x7F)
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
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
