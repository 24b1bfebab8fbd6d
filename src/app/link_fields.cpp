#include "link_fields.h"

QStringList choiceTexts(LinkFields::Choice list)
{
    switch (list) {
    case LinkFields::Choice::BaudRate:
        return {"1200", "2400", "4800", "9600", "14400", "19200"};
    case LinkFields::Choice::Parity:
        return {"НЕТ", "ЧЕТ", "НЕЧЕТ"};
    case LinkFields::Choice::StopBits:
        return {"1", "2"};
    }
    return {};
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

QString MemoryLinkFields::selectedText(Choice list) const
{
    return selections[int(list)];
}

bool MemoryLinkFields::select(Choice list, const QString &text)
{
    if (!choiceTexts(list).contains(text))
        return false;
    selections[int(list)] = text;
    return true;
}
