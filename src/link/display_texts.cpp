#include "display_texts.h"

namespace DisplayTexts {

QStringList parityWords()
{
    return {QStringLiteral("НЕТ"), QStringLiteral("ЧЕТ"), QStringLiteral("НЕЧЕТ")};
}

QString wiringWord(bool threeWire)
{
    return threeWire ? QStringLiteral("3-х проводная сеть") : QStringLiteral("4-х проводная сеть");
}

QStringList columnCaptions()
{
    return {QStringLiteral("Имя регистра"), QStringLiteral("Адрес"), QStringLiteral("Байт"),
            QStringLiteral("K1(K2)")};
}

QString deviceIdLabel()
{
    return QStringLiteral("ID устройства");
}

QString deviceAddressLabel()
{
    return QStringLiteral("Адрес устройства");
}

QString modeLabel()
{
    return QStringLiteral("Режим передачи");
}

QString baudRateLabel()
{
    return QStringLiteral("Скорость, бод");
}

QString parityLabel()
{
    return QStringLiteral("Четность");
}

QString stopBitsLabel()
{
    return QStringLiteral("Стоповые биты");
}

QString cellSizeLabel()
{
    return QStringLiteral("Размер ячейки памяти, байт");
}

} // namespace DisplayTexts
