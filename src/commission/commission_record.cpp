#include "commission_record.h"

#include "config_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstring>
#include <rapidjson/document.h>

namespace {

using ConfigJson::textOrNull;

using Value = rapidjson::Value;

const char *const ResultNames[] = {"commissioned", "failed", "refused"};
const char *const EchoNames[] = {"same", "differs"};

template <typename T> QJsonValue valueOrNull(const std::optional<T> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString textOf(const Value &value)
{
    return QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
}

// The line's fields, read through the fast parser: its numbers and texts
// are checked here, the rest of the record built from them.
class LineFields
{
public:
    explicit LineFields(const Value &object) : object(object) {}

    // A field that is absent or null gives nothing; one of the wrong kind
    // marks the line faulty.
    const Value *find(const char *name)
    {
        const auto member = object.FindMember(name);
        if (member == object.MemberEnd() || member->value.IsNull())
            return nullptr;
        return &member->value;
    }
    void fault(const char *name)
    {
        if (faulty.isEmpty())
            faulty = QString::fromLatin1(name);
    }
    bool required(const char *name)
    {
        if (find(name))
            return true;
        fault(name);
        return false;
    }
    QString text(const char *name)
    {
        const Value *value = find(name);
        if (value && !value->IsString())
            fault(name);
        return value && value->IsString() ? textOf(*value) : QString();
    }
    // A text that must be one of names; its index.
    template <std::size_t N>
    std::optional<int> choice(const char *name, const char *const (&names)[N])
    {
        const Value *value = find(name);
        if (!value)
            return std::nullopt;
        if (value->IsString())
            for (std::size_t i = 0; i < N; ++i)
                if (std::strcmp(value->GetString(), names[i]) == 0 &&
                    value->GetStringLength() == std::strlen(names[i]))
                    return int(i);
        fault(name);
        return std::nullopt;
    }
    std::optional<qint64> integer(const char *name, qint64 minimum, qint64 maximum)
    {
        const Value *value = find(name);
        if (!value)
            return std::nullopt;
        const double number = value->IsNumber() ? value->GetDouble() : NAN;
        if (number == std::floor(number) && number >= double(minimum) && number <= double(maximum))
            return qint64(number);
        fault(name);
        return std::nullopt;
    }
    std::optional<QJsonObject> jsonObject(const char *name, bool keep)
    {
        const Value *value = find(name);
        if (!value)
            return std::nullopt;
        if (!value->IsObject()) {
            fault(name);
            return std::nullopt;
        }
        return keep ? asQt(*value).toObject() : QJsonObject();
    }
    // An array of texts.
    QStringList lines(const char *name, bool keep)
    {
        QStringList lines;
        const Value *value = find(name);
        if (!value)
            return lines;
        if (!value->IsArray()) {
            fault(name);
            return lines;
        }
        for (const Value &line : value->GetArray()) {
            if (!line.IsString()) {
                fault(name);
                return {};
            }
            if (keep)
                lines << textOf(line);
        }
        return lines;
    }

    QString faulty;

private:
    static QJsonValue asQt(const Value &value)
    {
        if (value.IsString())
            return textOf(value);
        if (value.IsBool())
            return value.GetBool();
        if (value.IsNumber())
            return value.IsInt64() ? QJsonValue(qint64(value.GetInt64()))
                                   : QJsonValue(value.GetDouble());
        if (value.IsArray()) {
            QJsonArray array;
            for (const Value &item : value.GetArray())
                array.append(asQt(item));
            return array;
        }
        if (value.IsObject()) {
            QJsonObject object;
            for (const auto &member : value.GetObject())
                object.insert(textOf(member.name), asQt(member.value));
            return object;
        }
        return QJsonValue::Null;
    }

    const Value &object;
};

} // namespace

QString CommissionRecord::timeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QString CommissionRecord::resultName(Result result)
{
    return QString::fromLatin1(ResultNames[int(result)]);
}

QString CommissionRecord::unitProblem(const QString &unit)
{
    if (unit.size() > MaxUnitLength)
        return QStringLiteral("Номер изделия длиннее %1 знаков").arg(MaxUnitLength);
    for (const QChar c : unit) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return QStringLiteral("В номере изделия недопустимый знак");
    }
    return {};
}

QJsonObject CommissionRecord::toJson() const
{
    QJsonObject object{
        {"time", time},
        {"user", user},
        {"host", host},
        {"port", port},
        {"device", textOrNull(device)},
        {"unit", textOrNull(unit)},
        {"reference",
         QJsonObject{{"file", referenceFile}, {"sha256", textOrNull(referenceSha256)}}},
        {"address", valueOrNull(address)},
        {"deviceId", valueOrNull(deviceId)},
        {"asFound", valueOrNull(asFound)},
        {"asFoundDifferences", QJsonArray::fromStringList(asFoundDifferences)},
        {"echo", echo ? QJsonValue(QLatin1String(EchoNames[int(*echo)])) : QJsonValue()},
        {"asLeft", valueOrNull(asLeft)},
        {"asLeftDifferences", QJsonArray::fromStringList(asLeftDifferences)},
        {"result", resultName(result)},
        {"exitCode", exitCode},
        {"message", textOrNull(message)},
        {"frames", QJsonArray::fromStringList(frames)},
    };
    // A configuration kept in a file names it; none kept, no field.
    if (!asFoundFile.isEmpty())
        object["asFoundFile"] = asFoundFile;
    if (!asLeftFile.isEmpty())
        object["asLeftFile"] = asLeftFile;
    return object;
}

QByteArray CommissionRecord::toJsonLine() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<CommissionRecord> CommissionRecord::fromJson(QByteArrayView line,
                                                           QString &faultyField, Detail detail)
{
    faultyField.clear();
    // A raw NUL is never JSON, and would end the text for the parser.
    if (line.contains('\0'))
        return std::nullopt;
    // Parsed in place, in a copy of its own: the texts stay where they are.
    QByteArray text(line.data(), line.size());
    rapidjson::Document document;
    // Iterative: a line of deep nesting must not exhaust the stack.
    document.ParseInsitu<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag>(
        text.data());
    if (document.HasParseError() || !document.IsObject())
        return std::nullopt;
    LineFields fields(document);
    const bool whole = detail == Detail::Whole;
    CommissionRecord record;
    if (fields.required("time"))
        record.time = fields.text("time");
    if (fields.required("result"))
        record.result = Result(fields.choice("result", ResultNames).value_or(0));
    if (fields.required("exitCode"))
        record.exitCode = int(fields.integer("exitCode", 0, 255).value_or(0));
    record.user = fields.text("user");
    record.host = fields.text("host");
    record.port = fields.text("port");
    record.device = fields.text("device");
    record.unit = fields.text("unit");
    if (const Value *reference = fields.find("reference")) {
        LineFields parts(*reference);
        if (reference->IsObject()) {
            record.referenceFile = parts.text("file");
            record.referenceSha256 = parts.text("sha256");
        }
        if (!reference->IsObject() || !parts.faulty.isEmpty())
            fields.fault("reference");
    }
    if (const std::optional<qint64> address = fields.integer("address", 0, 247))
        record.address = int(*address);
    record.deviceId = fields.integer("deviceId", 0, 65535);
    record.asFound = fields.jsonObject("asFound", whole);
    record.asFoundDifferences = fields.lines("asFoundDifferences", true);
    record.asFoundFile = fields.text("asFoundFile");
    if (const std::optional<int> echo = fields.choice("echo", EchoNames))
        record.echo = Echo(*echo);
    record.asLeft = fields.jsonObject("asLeft", whole);
    record.asLeftDifferences = fields.lines("asLeftDifferences", true);
    record.asLeftFile = fields.text("asLeftFile");
    record.message = fields.text("message");
    record.frames = fields.lines("frames", whole);
    if (!fields.faulty.isEmpty()) {
        faultyField = fields.faulty;
        return std::nullopt;
    }
    return record;
}
