#include "commission_report.h"

#include <QIODevice>

namespace {

using Result = CommissionRecord::Result;

QString resultText(Result result)
{
    switch (result) {
    case Result::Commissioned:
        return QStringLiteral("настроено");
    case Result::Failed:
        break;
    case Result::Refused:
        return QStringLiteral("отказано");
    }
    return QStringLiteral("не удалось");
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString idText(const CommissionRecord &record)
{
    return record.deviceId ? QString::number(*record.deviceId) : QStringLiteral("-");
}

QString addressText(const CommissionRecord &record)
{
    return record.address ? QString::number(*record.address) : QStringLiteral("-");
}

// The number of differences as found; "-" when the device was not read.
QString foundCountText(const CommissionRecord &record)
{
    return record.asFound ? QString::number(record.asFoundDifferences.size()) : QStringLiteral("-");
}

// The reference as a quality engineer checks it: the file and the start of
// its SHA-256.
QString referenceText(const CommissionRecord &record)
{
    if (record.referenceFile.isEmpty() && record.referenceSha256.isEmpty())
        return QStringLiteral("-");
    return QStringLiteral("%1, SHA-256 %2")
        .arg(orDash(record.referenceFile), orDash(record.referenceSha256.left(12)));
}

// Differences of a step; read says whether the device was read at all.
QString listHtml(const QStringList &lines, bool read)
{
    if (!read)
        return QStringLiteral("<p>Не прочитано</p>");
    if (lines.isEmpty())
        return QStringLiteral("<p>Различий нет</p>");
    QString html = QStringLiteral("<ul>");
    for (const QString &line : lines)
        html += QStringLiteral("<li>%1</li>").arg(escaped(line));
    return html + QStringLiteral("</ul>");
}

QString sectionHtml(int number, const CommissionRecord &record)
{
    QString html = QStringLiteral("<div class=\"entry\">\n<h2>%1. %2, ID %3: %4</h2>\n")
                       .arg(QString::number(number), escaped(record.time), escaped(idText(record)),
                            escaped(resultText(record.result)));
    html +=
        QStringLiteral("<dl>\n<dt>Номер изделия</dt><dd>%6</dd>\n<dt>Эталон</dt><dd>%1</dd>\n"
                       "<dt>Пользователь</dt><dd>%2</dd>\n<dt>Компьютер</dt><dd>%3</dd>\n"
                       "<dt>Порт</dt><dd>%4</dd>\n<dt>Устройство порта</dt><dd>%5</dd>\n</dl>\n")
            .arg(escaped(referenceText(record)), escaped(orDash(record.user)),
                 escaped(orDash(record.host)), escaped(orDash(record.port)),
                 escaped(orDash(record.device)), escaped(orDash(record.unit)));
    html += QStringLiteral("<h3>До записи, против эталона</h3>\n") +
            listHtml(record.asFoundDifferences, record.asFound.has_value());
    html += QStringLiteral("<h3>После записи, против записанного</h3>\n") +
            listHtml(record.asLeftDifferences, record.asLeft.has_value());
    if (!record.message.isEmpty())
        html += QStringLiteral("<h3>Сообщение</h3>\n<pre>%1</pre>\n").arg(escaped(record.message));
    return html + QStringLiteral("</div>\n");
}

const char *const PageStyle =
    "@page { size: A4; margin: 15mm; }\n"
    "body { font-family: sans-serif; font-size: 10pt; color: #000; overflow-wrap: anywhere; }\n"
    // Fixed columns: a long unbroken text wraps inside its cell instead of
    // widening the page past A4.
    "table { border-collapse: collapse; width: 100%; table-layout: fixed; }\n"
    "col.n { width: 2.5em; } col.time { width: 15em; } col.id, col.address "
    "{ width: 4.5em; } col.result { width: 7em; } col.count { width: 6em; }\n"
    "th, td { border: 1px solid #888; padding: 2px 5px; text-align: left; "
    "vertical-align: top; }\n"
    "th { background: #eee; }\n"
    "tr.failed td, tr.refused td { background: #fde0e0; }\n"
    ".mark { font-weight: bold; color: #a00000; }\n"
    ".entry { break-inside: avoid; margin-top: 1em; }\n"
    "dl { display: grid; grid-template-columns: max-content 1fr; gap: 0 1em; margin: 0.5em 0; }\n"
    "dt { color: #444; } dd { margin: 0; }\n"
    "pre { white-space: pre-wrap; overflow-wrap: anywhere; margin: 0; }\n";

} // namespace

CommissionReport::CommissionReport(const QString &journalName, bool withPage)
    : journalName(journalName), withPage(withPage)
{
}

QString CommissionReport::textLine(const CommissionRecord &record)
{
    QStringList fields{record.time, QStringLiteral("ID %1").arg(idText(record)),
                       QStringLiteral("адрес %1").arg(addressText(record)),
                       resultText(record.result),
                       QStringLiteral("различий до записи: %1").arg(foundCountText(record))};
    if (!record.message.isEmpty())
        fields << record.message.split(u'\n').join(QStringLiteral("; "));
    return fields.join(QStringLiteral("  "));
}

QString CommissionReport::countsText() const
{
    return QStringLiteral("Настроено: %1, не удалось: %2, отказано: %3")
        .arg(counts[int(Result::Commissioned)])
        .arg(counts[int(Result::Failed)])
        .arg(counts[int(Result::Refused)]);
}

bool CommissionReport::add(const CommissionRecord &record)
{
    ++entries;
    ++counts[int(record.result)];
    if (entries == 1)
        firstTime = record.time;
    lastTime = record.time;
    if (!withPage)
        return true;
    ++references[referenceText(record)];
    const QString result = CommissionRecord::resultName(record.result);
    rows += QStringLiteral("<tr class=\"%1\"><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                           "<td%6>%7</td><td>%8</td><td><pre>%9</pre></td></tr>\n")
                // One pass: a text from the journal may hold "%1" itself.
                .arg(result, QString::number(entries), escaped(record.time),
                     escaped(idText(record)), escaped(addressText(record)),
                     record.result == Result::Commissioned ? QString()
                                                           : QStringLiteral(" class=\"mark\""),
                     escaped(resultText(record.result)), foundCountText(record),
                     escaped(record.message))
                .toUtf8();
    if (!spool.isOpen() && !spool.open()) {
        error = spool.errorString();
        return false;
    }
    const QByteArray section = sectionHtml(entries, record).toUtf8();
    if (spool.write(section) != section.size()) {
        error = spool.errorString();
        return false;
    }
    return true;
}

bool CommissionReport::writePage(QIODevice &device)
{
    const QString span = entries == 0 ? QStringLiteral("Записей нет")
                                      : QStringLiteral("С %1 по %2").arg(firstTime, lastTime);
    QString head =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Журнал ввода в работу: %1</title>\n<style>\n%4</style>\n</head>\n"
                       "<body>\n<h1>Журнал ввода в работу: %1</h1>\n<p>%2</p>\n<p>%3</p>\n")
            .arg(escaped(journalName), escaped(span), escaped(countsText()),
                 QString::fromLatin1(PageStyle));
    if (!references.isEmpty()) {
        head += QStringLiteral("<p>Эталоны (записей):</p>\n<ul class=\"references\">\n");
        for (auto it = references.cbegin(); it != references.cend(); ++it)
            head += QStringLiteral("<li>%1: %2</li>\n").arg(escaped(it.key())).arg(it.value());
        head += QStringLiteral("</ul>\n");
    }
    head +=
        QStringLiteral("<table>\n<colgroup><col class=\"n\"><col class=\"time\"><col class=\"id\">"
                       "<col class=\"address\"><col class=\"result\"><col class=\"count\"><col>"
                       "</colgroup>\n<tr><th>№</th><th>Время</th><th>ID</th><th>Адрес</th>"
                       "<th>Результат</th><th>Различий до записи</th><th>Сообщение</th></tr>\n");
    const QByteArray start = head.toUtf8();
    if (device.write(start) != start.size() || device.write(rows) != rows.size() ||
        device.write("</table>\n") != 9)
        return false;
    if (spool.isOpen()) {
        if (!spool.seek(0)) {
            error = spool.errorString();
            return false;
        }
        constexpr qint64 Piece = 1024 * 1024;
        while (!spool.atEnd()) {
            const QByteArray piece = spool.read(Piece);
            if (piece.isEmpty() || device.write(piece) != piece.size()) {
                error = piece.isEmpty() ? spool.errorString() : device.errorString();
                return false;
            }
        }
    }
    const QByteArray end = "</body>\n</html>\n";
    return device.write(end) == end.size();
}
