#include "link_fields.h"

bool isOfferedBaudCode(quint8 code)
{
    const std::optional<int> rate = baudRateOfCode(code);
    return rate && *rate <= 19200;
}

QString MemoryLinkFields::numericText(NumericField field) const
{
    return field == NumericField::DeviceAddress ? addressText : cellSizeText;
}

void MemoryLinkFields::setNumericText(NumericField field, const QString &text)
{
    QString &current = field == NumericField::DeviceAddress ? addressText : cellSizeText;
    if (current == text)
        return;
    current = text;
    const auto &handler = field == NumericField::DeviceAddress ? addressChanged : cellSizeChanged;
    if (handler)
        handler();
}

void MemoryLinkFields::setBaudCode(std::optional<quint8> code)
{
    if (!code || isOfferedBaudCode(*code))
        baud = code;
}
