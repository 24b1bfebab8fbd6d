#include "commission_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <optional>

namespace CommissionReport {
namespace {

const QStringList &results()
{
    static const QStringList names{"commissioned", "failed", "refused"};
    return names;
}

QString resultText(const QString &result)
{
    if (result == u"commissioned")
        return QStringLiteral("настроено");
    return result == u"failed" ? QStringLiteral("не удалось") : QStringLiteral("отказано");
}

// What a journal line's fields may hold. Only time, result and exitCode
// are required, so that lines of earlier versions, and lines written by
// hand, still count; a field that is there, and not null, must be right.
enum class FieldType
{
    Text,
    Integer,
    Object,
    Lines,     // an array of texts
    Reference, // {"file": text, "sha256": text}, either null
};

struct FieldRule
{
    const char *name;
    FieldType type;
    bool required = false;
    double minimum = 0;
    double maximum = 0;
    QStringList allowed = {};
};

const QList<FieldRule> &fieldRules()
{
    static const QList<FieldRule> rules{
        {"time", FieldType::Text, true},
        {"result", FieldType::Text, true, 0, 0, results()},
        {"exitCode", FieldType::Integer, true, 0, 255},
        {"user", FieldType::Text},
        {"host", FieldType::Text},
        {"port", FieldType::Text},
        {"device", FieldType::Text},
        {"reference", FieldType::Reference},
        {"address", FieldType::Integer, false, 0, 247},
        {"deviceId", FieldType::Integer, false, 0, 65535},
        {"asFound", FieldType::Object},
        {"asFoundDifferences", FieldType::Lines},
        {"asFoundFile", FieldType::Text},
        {"echo", FieldType::Text, false, 0, 0, {"same", "differs"}},
        {"asLeft", FieldType::Object},
        {"asLeftDifferences", FieldType::Lines},
        {"asLeftFile", FieldType::Text},
        {"message", FieldType::Text},
        {"frames", FieldType::Lines},
    };
    return rules;
}

bool isTextOrNull(const QJsonValue &value)
{
    return value.isString() || value.isNull() || value.isUndefined();
}

bool fits(const QJsonValue &value, const FieldRule &rule)
{
    switch (rule.type) {
    case FieldType::Text:
        return value.isString() &&
               (rule.allowed.isEmpty() || rule.allowed.contains(value.toString()));
    case FieldType::Integer: {
        const double number = value.toDouble();
        return value.isDouble() && number == std::floor(number) && number >= rule.minimum &&
               number <= rule.maximum;
    }
    case FieldType::Object:
        return value.isObject();
    case FieldType::Lines: {
        const QJsonArray lines = value.toArray();
        return value.isArray() && std::all_of(lines.begin(), lines.end(),
                                              [](const QJsonValue &v) { return v.isString(); });
    }
    case FieldType::Reference:
        return value.isObject() && isTextOrNull(value.toObject().value("file")) &&
               isTextOrNull(value.toObject().value("sha256"));
    }
    return false;
}

// The first field at fault, or nothing when the object is an entry.
std::optional<QString> faultyField(const QJsonObject &object)
{
    for (const FieldRule &rule : fieldRules()) {
        const QJsonValue value = object.value(QLatin1String(rule.name));
        const bool absent = value.isUndefined() || value.isNull();
        if (absent ? rule.required : !fits(value, rule))
            return QString::fromLatin1(rule.name);
    }
    return std::nullopt;
}

QString idText(const QJsonObject &entry)
{
    const QJsonValue id = entry.value("deviceId");
    return id.isDouble() ? QString::number(qint64(id.toDouble())) : QStringLiteral("-");
}

QString addressText(const QJsonObject &entry)
{
    const QJsonValue address = entry.value("address");
    return address.isDouble() ? QString::number(address.toInt()) : QStringLiteral("-");
}

QStringList linesOf(const QJsonObject &entry, const char *field)
{
    QStringList lines;
    for (const QJsonValue &line : entry.value(QLatin1String(field)).toArray())
        lines << line.toString();
    return lines;
}

QString countsText(const Journal &journal)
{
    QList<int> counts(results().size(), 0);
    for (const QJsonObject &entry : journal.entries)
        ++counts[results().indexOf(entry.value("result").toString())];
    return QStringLiteral("Настроено: %1, не удалось: %2, отказано: %3")
        .arg(counts[0])
        .arg(counts[1])
        .arg(counts[2]);
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// The number of differences as found; "-" when the device was not read.
QString foundCountText(const QJsonObject &entry)
{
    return entry.value("asFound").isObject()
               ? QString::number(entry.value("asFoundDifferences").toArray().size())
               : QStringLiteral("-");
}

// An entry's differences; what was read is in the field read.
QString listHtml(const QJsonObject &entry, const char *field, const char *read)
{
    if (!entry.value(QLatin1String(read)).isObject())
        return QStringLiteral("<p>Не прочитано</p>");
    const QStringList lines = linesOf(entry, field);
    if (lines.isEmpty())
        return QStringLiteral("<p>Различий нет</p>");
    QString html = QStringLiteral("<ul>");
    for (const QString &line : lines)
        html += QStringLiteral("<li>%1</li>").arg(escaped(line));
    return html + QStringLiteral("</ul>");
}

} // namespace

Journal read(const QByteArray &bytes)
{
    Journal journal;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The last line of a whole journal ends with its line feed.
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(lines[i], &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            journal.badLines.append({int(i + 1), QString()});
        else if (const std::optional<QString> field = faultyField(document.object()))
            journal.badLines.append({int(i + 1), *field});
        else
            journal.entries.append(document.object());
    }
    return journal;
}

QString text(const Journal &journal)
{
    QString text;
    for (const QJsonObject &entry : journal.entries) {
        QStringList fields{entry.value("time").toString(),
                           QStringLiteral("ID %1").arg(idText(entry)),
                           QStringLiteral("адрес %1").arg(addressText(entry)),
                           resultText(entry.value("result").toString()),
                           QStringLiteral("различий до записи: %1").arg(foundCountText(entry))};
        if (const QString message = entry.value("message").toString(); !message.isEmpty())
            fields << message.split(u'\n').join(QStringLiteral("; "));
        text += fields.join(QStringLiteral("  ")) + u'\n';
    }
    return text + countsText(journal) + u'\n';
}

QByteArray html(const Journal &journal, const QString &journalName)
{
    const QString span = journal.entries.isEmpty()
                             ? QStringLiteral("Записей нет")
                             : QStringLiteral("С %1 по %2")
                                   .arg(journal.entries.first().value("time").toString(),
                                        journal.entries.last().value("time").toString());
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Журнал ввода в работу: %1</title>\n<style>\n"
                       "@page { size: A4; margin: 15mm; }\n"
                       "body { font-family: sans-serif; font-size: 10pt; color: #000; "
                       "overflow-wrap: anywhere; }\n"
                       // Fixed columns: a long unbroken text wraps inside its
                       // cell instead of widening the page past A4.
                       "table { border-collapse: collapse; width: 100%; table-layout: fixed; }\n"
                       "col.n { width: 2.5em; } col.time { width: 15em; } col.id, col.address "
                       "{ width: 4.5em; } col.result { width: 7em; } col.count { width: 6em; }\n"
                       "th, td { border: 1px solid #888; padding: 2px 5px; text-align: left; "
                       "vertical-align: top; }\n"
                       "th { background: #eee; }\n"
                       "tr.failed td, tr.refused td { background: #fde0e0; }\n"
                       ".mark { font-weight: bold; color: #a00000; }\n"
                       ".entry { break-inside: avoid; margin-top: 1em; }\n"
                       "pre { white-space: pre-wrap; overflow-wrap: anywhere; margin: 0; }\n"
                       "</style>\n</head>\n<body>\n"
                       "<h1>Журнал ввода в работу: %1</h1>\n<p>%2</p>\n<p>%3</p>\n")
            .arg(escaped(journalName), escaped(span), escaped(countsText(journal)));
    page +=
        QStringLiteral("<table>\n<colgroup><col class=\"n\"><col class=\"time\"><col class=\"id\">"
                       "<col class=\"address\"><col class=\"result\"><col class=\"count\"><col>"
                       "</colgroup>\n<tr><th>№</th><th>Время</th><th>ID</th><th>Адрес</th>"
                       "<th>Результат</th><th>Различий до записи</th><th>Сообщение</th></tr>\n");
    for (qsizetype i = 0; i < journal.entries.size(); ++i) {
        const QJsonObject &entry = journal.entries[i];
        const QString result = entry.value("result").toString();
        const bool commissioned = result == u"commissioned";
        page += QStringLiteral("<tr class=\"%1\"><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                               "<td%6>%7</td><td>%8</td><td><pre>%9</pre></td></tr>\n")
                    // One pass: a text from the journal may hold "%1" itself.
                    .arg(escaped(result), QString::number(i + 1),
                         escaped(entry.value("time").toString()), escaped(idText(entry)),
                         escaped(addressText(entry)),
                         commissioned ? QString() : QStringLiteral(" class=\"mark\""),
                         escaped(resultText(result)), foundCountText(entry),
                         escaped(entry.value("message").toString()));
    }
    page += QStringLiteral("</table>\n");
    for (qsizetype i = 0; i < journal.entries.size(); ++i) {
        const QJsonObject &entry = journal.entries[i];
        page +=
            QStringLiteral("<div class=\"entry\">\n<h2>%1. %2, ID %3: %4</h2>\n")
                .arg(QString::number(i + 1), escaped(entry.value("time").toString()),
                     escaped(idText(entry)), escaped(resultText(entry.value("result").toString())));
        page += QStringLiteral("<h3>До записи, против эталона</h3>\n") +
                listHtml(entry, "asFoundDifferences", "asFound");
        page += QStringLiteral("<h3>После записи, против записанного</h3>\n") +
                listHtml(entry, "asLeftDifferences", "asLeft");
        if (const QString message = entry.value("message").toString(); !message.isEmpty())
            page += QStringLiteral("<h3>Сообщение</h3>\n<pre>%1</pre>\n").arg(escaped(message));
        page += QStringLiteral("</div>\n");
    }
    return (page + QStringLiteral("</body>\n</html>\n")).toUtf8();
}

} // namespace CommissionReport
