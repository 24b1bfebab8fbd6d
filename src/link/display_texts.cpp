#include "display_texts.h"

#include <array>

namespace DisplayTexts {

QString label(Field field)
{
    static constexpr std::array<const char16_t *, 7> labels = {
        u"ID устройства",
        u"Адрес устройства",
        u"Режим передачи",
        u"Скорость, бод",
        u"Четность",
        u"Стоповые биты",
        u"Размер ячейки памяти, байт",
    };
    return QString::fromUtf16(labels.at(std::size_t(field)));
}

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

} // namespace DisplayTexts
