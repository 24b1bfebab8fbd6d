#include "cp1251.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

// Qt for Windows is built without ICU, which is where Qt's code page 1251
// comes from; there the system's own conversion does it.

#ifdef Q_OS_WIN
namespace {
constexpr UINT Cp1251 = 1251;
}

QByteArray toCp1251(QStringView text)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length =
        WideCharToMultiByte(Cp1251, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    QByteArray bytes(length, Qt::Uninitialized);
    WideCharToMultiByte(Cp1251, 0, wide, int(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

QString fromCp1251(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const int length =
        MultiByteToWideChar(Cp1251, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(Cp1251, 0, bytes.data(), int(bytes.size()),
                        reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
}
#else
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
#endif
