#include "mode_string.h"

#include "display_texts.h"

#include <QStringList>

namespace {

std::optional<LineParity> parityFromText(QString text)
{
    // The window's words for no, even and odd parity stand for N, E and O.
    if (const qsizetype word = DisplayTexts::parityWords().indexOf(text); word >= 0)
        text = QString(u"NEO"[word]);
    if (text.isEmpty())
        return std::nullopt;
    switch (text.at(0).unicode()) {
    case 'E':
        return LineParity::Even;
    case 'M':
        return LineParity::Mark;
    case 'N':
        return LineParity::None;
    case 'O':
        return LineParity::Odd;
    case 'S':
        return LineParity::Space;
    default:
        return std::nullopt;
    }
}

std::optional<LineStopBits> stopBitsFromText(const QString &text)
{
    if (text == u"1")
        return LineStopBits::One;
    if (text == u"1.5")
        return LineStopBits::OneAndHalf;
    if (text == u"2")
        return LineStopBits::Two;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseModeString(const QString &mode)
{
    QString compact = mode;
    compact.remove(u' ');
    const QStringList fields = compact.split(u',');
    // A fifth field would be part of the stop-bits text and is refused there.
    if (fields.size() < 4)
        return std::nullopt;
    const QString stopText = compact.section(u',', 3);

    bool numeric = false;
    const int baudRate = fields[0].toInt(&numeric);
    if (!numeric || baudRate <= 0 || !fields[0].at(0).isDigit())
        return std::nullopt;

    const QString &dataText = fields[2];
    if (dataText.size() != 1 || dataText.at(0) < u'5' || dataText.at(0) > u'8')
        return std::nullopt;

    const auto parity = parityFromText(fields[1]);
    const auto stopBits = stopBitsFromText(stopText);
    if (!parity || !stopBits)
        return std::nullopt;

    LineSettings settings;
    settings.baudRate = baudRate;
    settings.parity = *parity;
    settings.dataBits = dataText.at(0).unicode() - u'0';
    settings.stopBits = *stopBits;
    return settings;
}
