#include "link_fields.h"

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
    baud = code && isOfferedBaudCode(*code) ? code : std::nullopt;
}
