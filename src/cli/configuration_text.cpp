#include "configuration_text.h"

#include "config_comparison.h"
#include "config_json.h"
#include "cp1251.h"
#include "display_texts.h"
#include "session.h"
#include "text_number.h"

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
    return QJsonDocument(ConfigJson::object(session)).toJson(QJsonDocument::Indented);
}

} // namespace ConfigurationText
