#include "configuration_text.h"

#include "config_image.h"
#include "cp1251.h"
#include "session.h"
#include "text_number.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ConfigurationText {
namespace {

using Column = RegisterTable::Column;

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
    switch (*link.parity) {
    case Parity::None:
        return QStringLiteral("НЕТ");
    case Parity::Even:
        return QStringLiteral("ЧЕТ");
    case Parity::Odd:
        break;
    }
    return QStringLiteral("НЕЧЕТ");
}

QString stopBitsText(const LinkSettings &link)
{
    if (!link.stopBits)
        return QStringLiteral("не заданы");
    return *link.stopBits == StopBits::One ? QStringLiteral("1") : QStringLiteral("2");
}

QString wiringText(quint8 wiringByte)
{
    return wiringByte == LinkSettings::ThreeWireByte ? QStringLiteral("3-х проводная сеть")
                                                     : QStringLiteral("4-х проводная сеть");
}

struct LinkLine
{
    QString label;
    QString value;
};

QList<LinkLine> linkLines(const Session &session)
{
    const LinkSettings &link = session.link;
    return {
        {QStringLiteral("ID устройства"), QString::number(quint32(session.deviceId))},
        {QStringLiteral("Адрес устройства"), QString::number(link.deviceAddress)},
        {QStringLiteral("Режим передачи"), modeText(link)},
        {QStringLiteral("Скорость, бод"), baudText(link)},
        {QStringLiteral("Четность"), parityText(link)},
        {QStringLiteral("Стоповые биты"), stopBitsText(link)},
        {QStringLiteral("Размер ячейки памяти, байт"), QString::number(link.cellSize)},
        {QStringLiteral("Сеть"), wiringText(link.wiringByte)},
    };
}

QString padded(const QString &text, qsizetype width)
{
    return text + QString(std::max<qsizetype>(width - text.size(), 0) + 2, u' ');
}

// The register rows of a table as four columns of text.
QList<QStringList> rowsOf(const RegisterTable &table, RegisterKind kind)
{
    QList<QStringList> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        const RegisterEntry row = table.row(r);
        if (row.kind == kind)
            rows.append({fromCp1251(row.name), fromCp1251(row.address), fromCp1251(row.size),
                         fromCp1251(row.coefficient)});
    }
    return rows;
}

void appendAligned(QString &text, const QList<QStringList> &rows)
{
    QList<qsizetype> widths(4, 0);
    for (const QStringList &row : rows)
        for (int c = 0; c < 4; ++c)
            widths[c] = std::max(widths[c], row[c].trimmed().size());
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < 3; ++c)
            line += padded(row[c].trimmed(), widths[c]);
        text += line + row[3].trimmed() + u'\n';
    }
}

QString storedCoefficient(const QByteArray &image, qsizetype offset, QByteArrayView name)
{
    const quint32 raw = ConfigImage::readBigEndian(image, offset, 3);
    return fromCp1251(
        RegisterTable::textFromCoefficient(raw / 65536.0, RegisterTable::isSpecialRegister(name)));
}

} // namespace

QString table(const Session &session)
{
    QString text;
    qsizetype labelWidth = 0;
    const QList<LinkLine> lines = linkLines(session);
    for (const LinkLine &line : lines)
        labelWidth = std::max(labelWidth, line.label.size());
    for (const LinkLine &line : lines)
        text += padded(line.label + u':', labelWidth + 1) + line.value + u'\n';

    text += u'\n';
    QList<QStringList> rows{{QStringLiteral("Имя регистра"), QStringLiteral("Адрес"),
                             QStringLiteral("Байт"), QStringLiteral("K1(K2)")}};
    rows += rowsOf(session.table, RegisterKind::Parameter);
    appendAligned(text, rows);

    const QList<QStringList> calibration = rowsOf(session.table, RegisterKind::Calibration);
    if (!calibration.isEmpty()) {
        text += QStringLiteral("\nБлок настройки\n");
        appendAligned(text, calibration);
    }
    return text;
}

QByteArray json(const Session &session)
{
    const LinkSettings &link = session.link;
    QJsonObject object;
    // As the file stores it: unsigned, whatever its range.
    object[QStringLiteral("deviceId")] = qint64(quint32(session.deviceId));
    object[QStringLiteral("deviceAddress")] = link.deviceAddress;
    object[QStringLiteral("cellSize")] = link.cellSize;
    object[QStringLiteral("transmissionMode")] = !link.transmissionMode ? QJsonValue()
                                                 : *link.transmissionMode == TransmissionMode::Ascii
                                                     ? QJsonValue(QStringLiteral("ASCII"))
                                                     : QJsonValue(QStringLiteral("RTU"));
    const std::optional<int> rate = link.baudCode ? baudRateOfCode(*link.baudCode) : std::nullopt;
    object[QStringLiteral("baudRate")] = rate ? QJsonValue(*rate) : QJsonValue();
    QJsonValue parity;
    if (link.parity)
        parity = *link.parity == Parity::None  ? QStringLiteral("none")
                 : *link.parity == Parity::Odd ? QStringLiteral("odd")
                                               : QStringLiteral("even");
    object[QStringLiteral("parity")] = parity;
    object[QStringLiteral("stopBits")] =
        link.stopBits ? QJsonValue(*link.stopBits == StopBits::One ? 1 : 2) : QJsonValue();
    object[QStringLiteral("wiring")] = link.wiringByte == LinkSettings::ThreeWireByte
                                           ? QStringLiteral("3-wire")
                                           : QStringLiteral("4-wire");
    QJsonArray registers;
    for (int r = 0; r < session.table.rowCount(); ++r) {
        const RegisterEntry row = session.table.row(r);
        registers.append(QJsonObject{
            {QStringLiteral("name"), fromCp1251(row.name)},
            {QStringLiteral("address"), qint64(TextNumber::parseHex(row.address) & 0xFFFF)},
            {QStringLiteral("size"), TextNumber::parseInt(row.size) & 0xFF},
            {QStringLiteral("coefficient"), fromCp1251(row.coefficient)},
            {QStringLiteral("kind"), row.kind == RegisterKind::Parameter
                                         ? QStringLiteral("parameter")
                                         : QStringLiteral("calibration")},
        });
    }
    object[QStringLiteral("registers")] = registers;
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QStringList differences(const Session &file, const Session &device, const QByteArray &deviceImage)
{
    QStringList lines;
    const auto differ = [&lines](const QString &what, const QString &inFile,
                                 const QString &onDevice) {
        if (inFile != onDevice)
            lines << QStringLiteral("%1: файл %2, устройство %3").arg(what, inFile, onDevice);
    };
    // Both as the device holds them: the link byte and the image decide.
    LinkSettings fileLink = file.link;
    LinkSettings deviceLink = device.link;
    unpackLinkByte(fileLink, packLinkByte(fileLink));
    unpackLinkByte(deviceLink, packLinkByte(deviceLink));
    differ(QStringLiteral("ID устройства"), QString::number(quint32(file.deviceId)),
           QString::number(quint32(device.deviceId)));
    differ(QStringLiteral("Адрес устройства"), QString::number(fileLink.deviceAddress),
           QString::number(deviceLink.deviceAddress));
    differ(QStringLiteral("Режим передачи"), modeText(fileLink), modeText(deviceLink));
    differ(QStringLiteral("Скорость, бод"), baudText(fileLink), baudText(deviceLink));
    differ(QStringLiteral("Четность"), parityText(fileLink), parityText(deviceLink));
    differ(QStringLiteral("Стоповые биты"), stopBitsText(fileLink), stopBitsText(deviceLink));
    differ(QStringLiteral("Размер ячейки памяти, байт"), QString::number(fileLink.cellSize),
           QString::number(deviceLink.cellSize));
    differ(QStringLiteral("Сеть"), wiringText(fileLink.wiringByte),
           wiringText(deviceLink.wiringByte));

    const int fileRows = file.table.rowCount();
    const int deviceRows = device.table.rowCount();
    differ(QStringLiteral("Число регистров"), QString::number(fileRows),
           QString::number(deviceRows));
    // The file as the device would store it, next to what the device stores.
    const QByteArray &b = deviceImage;
    const QByteArray a = ConfigImage::buildImage(file);
    const int rows = std::min(fileRows, deviceRows);
    if (b.size() < ConfigImage::imageSize(deviceRows))
        return lines;
    for (int r = 0; r < rows; ++r) {
        const QByteArray name = file.table.row(r).name;
        const QString what = QStringLiteral("Регистр \"%1\"").arg(fromCp1251(name));
        const auto address = [r](const QByteArray &image) {
            const qsizetype at = ConfigImage::HeaderSize + 2 * r;
            return fromCp1251(TextNumber::formatHex4(ConfigImage::readBigEndian(image, at, 2)));
        };
        const qsizetype pa = ConfigImage::HeaderSize + 2 * fileRows + 4 * r;
        const qsizetype pb = ConfigImage::HeaderSize + 2 * deviceRows + 4 * r;
        differ(what + QStringLiteral(", адрес"), address(a), address(b));
        differ(what + QStringLiteral(", байт"), QString::number(quint8(a[pa + 3])),
               QString::number(quint8(b[pb + 3])));
        differ(what + QStringLiteral(", K1(K2)"), storedCoefficient(a, pa, name),
               storedCoefficient(b, pb, name));
    }
    return lines;
}

} // namespace ConfigurationText
