#include "cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toCp1251(QStringView text)
{
    QStringEncoder encoder("windows-1251");
    Q_ASSERT(encoder.isValid());
    return encoder.encode(text);
}

QString fromCp1251(QByteArrayView bytes)
{
    QStringDecoder decoder("windows-1251");
    Q_ASSERT(decoder.isValid());
    return decoder.decode(bytes);
}
