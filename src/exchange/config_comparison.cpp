#include "config_comparison.h"

#include "coefficient.h"
#include "config_image.h"
#include "cp1251.h"
#include "display_texts.h"
#include "session.h"
#include "text_number.h"

namespace ConfigComparison {
namespace {

QString modeText(const LinkSettings &link)
{
    if (!link.transmissionMode)
        return QStringLiteral("не задан");
    return *link.transmissionMode == TransmissionMode::Ascii ? QStringLiteral("ASCII")
                                                             : QStringLiteral("RTU");
}

QString baudText(const LinkSettings &link)
{
    if (!link.baudCode)
        return QStringLiteral("не задана");
    if (const std::optional<int> rate = baudRateOfCode(*link.baudCode))
        return QString::number(*rate);
    return QStringLiteral("код %1").arg(*link.baudCode);
}

QString parityText(const LinkSettings &link)
{
    if (!link.parity)
        return QStringLiteral("не задана");
    const QStringList words = DisplayTexts::parityWords();
    switch (*link.parity) {
    case Parity::None:
        return words[0];
    case Parity::Even:
        return words[1];
    case Parity::Odd:
        break;
    }
    return words[2];
}

QString stopBitsText(const LinkSettings &link)
{
    if (!link.stopBits)
        return QStringLiteral("не заданы");
    return *link.stopBits == StopBits::One ? QStringLiteral("1") : QStringLiteral("2");
}

QString wiringText(quint8 wiringByte)
{
    return DisplayTexts::wiringWord(wiringByte == LinkSettings::ThreeWireByte);
}

QString storedCoefficient(const QByteArray &image, int rows, int r, QByteArrayView name)
{
    return fromCp1251(
        Coefficient::textFromField(ConfigImage::coefficientField(image, rows, r), name));
}

} // namespace

QList<Field> linkFields(int deviceId, const LinkSettings &link)
{
    return {
        {DisplayTexts::label(DisplayTexts::Field::DeviceId), QString::number(quint32(deviceId))},
        {DisplayTexts::label(DisplayTexts::Field::DeviceAddress),
         QString::number(link.deviceAddress)},
        {DisplayTexts::label(DisplayTexts::Field::Mode), modeText(link)},
        {DisplayTexts::label(DisplayTexts::Field::BaudRate), baudText(link)},
        {DisplayTexts::label(DisplayTexts::Field::Parity), parityText(link)},
        {DisplayTexts::label(DisplayTexts::Field::StopBits), stopBitsText(link)},
        {DisplayTexts::label(DisplayTexts::Field::CellSize), QString::number(link.cellSize)},
        {QStringLiteral("Сеть"), wiringText(link.wiringByte)},
    };
}

QList<Difference> differences(const Session &first, const QByteArray &firstImage,
                              const Session &second, const QByteArray &secondImage)
{
    QList<Difference> found;
    const auto differ = [&found](const QString &what, const QString &a, const QString &b) {
        if (a != b)
            found.append({what, a, b});
    };
    // Both as the device holds them: the link byte and the image decide.
    LinkSettings a = first.link;
    LinkSettings b = second.link;
    unpackLinkByte(a, packLinkByte(a));
    unpackLinkByte(b, packLinkByte(b));
    const QList<Field> fieldsA = linkFields(first.deviceId, a);
    const QList<Field> fieldsB = linkFields(second.deviceId, b);
    for (qsizetype i = 0; i < fieldsA.size(); ++i)
        differ(fieldsA[i].label, fieldsA[i].value, fieldsB[i].value);

    const int rowsA = first.table.rowCount();
    const int rowsB = second.table.rowCount();
    differ(QStringLiteral("Число регистров"), QString::number(rowsA), QString::number(rowsB));
    if (firstImage.size() < ConfigImage::imageSize(rowsA) ||
        secondImage.size() < ConfigImage::imageSize(rowsB))
        return found;
    for (int r = 0; r < std::min(rowsA, rowsB); ++r) {
        const QByteArray name = first.table.row(r).name;
        const QString what = QStringLiteral("Регистр \"%1\"").arg(fromCp1251(name));
        const auto address = [r](const QByteArray &image, int rows) {
            return fromCp1251(TextNumber::formatHex4(ConfigImage::registerAddress(image, rows, r)));
        };
        differ(what + QStringLiteral(", адрес"), address(firstImage, rowsA),
               address(secondImage, rowsB));
        differ(what + QStringLiteral(", байт"),
               QString::number(ConfigImage::sizeField(firstImage, rowsA, r)),
               QString::number(ConfigImage::sizeField(secondImage, rowsB, r)));
        differ(what + QStringLiteral(", K1(K2)"), storedCoefficient(firstImage, rowsA, r, name),
               storedCoefficient(secondImage, rowsB, r, name));
    }
    return found;
}

QStringList differenceLines(const Session &file, const Session &device,
                            const QByteArray &deviceImage)
{
    QStringList lines;
    for (const Difference &difference :
         differences(file, ConfigImage::buildImage(file), device, deviceImage))
        lines << QStringLiteral("%1: файл %2, устройство %3")
                     .arg(difference.what, difference.first, difference.second);
    return lines;
}

} // namespace ConfigComparison
