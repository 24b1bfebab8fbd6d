#include "configuration_text.h"

#include "config_comparison.h"
#include "config_image.h"
#include "cp1251.h"
#include "display_texts.h"
#include "session.h"
#include "text_number.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ConfigurationText {
namespace {

using Column = RegisterTable::Column;

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

} // namespace

QString table(const Session &session)
{
    QString text;
    qsizetype labelWidth = 0;
    const QList<ConfigComparison::Field> lines =
        ConfigComparison::linkFields(session.deviceId, session.link);
    for (const ConfigComparison::Field &line : lines)
        labelWidth = std::max(labelWidth, line.label.size());
    for (const ConfigComparison::Field &line : lines)
        text += padded(line.label + u':', labelWidth + 1) + line.value + u'\n';

    text += u'\n';
    QList<QStringList> rows{DisplayTexts::columnCaptions()};
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
    return QJsonDocument(jsonObject(session)).toJson(QJsonDocument::Indented);
}

QJsonObject jsonObject(const Session &session)
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
    return object;
}

QStringList differences(const Session &file, const Session &device, const QByteArray &deviceImage)
{
    QStringList lines;
    for (const ConfigComparison::Difference &difference :
         ConfigComparison::differences(file, ConfigImage::buildImage(file), device, deviceImage))
        lines << QStringLiteral("%1: файл %2, устройство %3")
                     .arg(difference.what, difference.first, difference.second);
    return lines;
}

} // namespace ConfigurationText
