#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

// What one commissioning run did, as its journal line keeps it. The one home
// of the line's fields, their JSON names, types and ranges: the steps fill
// it in, the journal writes it, the report reads it back.
//
// Only time, result and exitCode must be there when a line is read back, so
// that lines of earlier versions, and lines written by hand, still count; a
// field that is there, and not null, must be right.
struct CommissionRecord
{
    enum class Result
    {
        Commissioned,
        Failed,
        Refused, // stopped before the write: the file, or the device it found
    };
    enum class Echo
    {
        Same,
        Differs,
    };

    QString time; // local time with its offset, as timeText writes it
    QString user;
    QString host;
    QString port;   // as given
    QString device; // the device it resolved to; empty when none
    QString unit;   // the number on the unit's label, as given; empty when none
    QString referenceFile;
    QString referenceSha256; // empty when the file could not be read
    std::optional<int> address;
    std::optional<qint64> deviceId;
    std::optional<QJsonObject> asFound;
    QStringList asFoundDifferences;
    QString asFoundFile; // empty when not kept
    std::optional<Echo> echo;
    std::optional<QJsonObject> asLeft;
    QStringList asLeftDifferences;
    QString asLeftFile;
    Result result = Result::Failed;
    int exitCode = 0;
    QString message;
    QStringList frames;

    // How much of a line fromJson keeps. Summary checks every field, but
    // keeps of the frames nothing and of asFound and asLeft only that they
    // are there (as empty objects): all a report shows.
    enum class Detail
    {
        Whole,
        Summary,
    };

    // The journal's line: one compact JSON object and a line feed.
    [[nodiscard]] QByteArray toJsonLine() const;
    [[nodiscard]] QJsonObject toJson() const;

    // A line read back. When it is no record, nothing; faultyField then
    // names the first field at fault, or is empty when the line is no JSON
    // object at all.
    [[nodiscard]] static std::optional<CommissionRecord>
    fromJson(QByteArrayView line, QString &faultyField, Detail detail = Detail::Whole);

    // "2026-12-09T10:00:00.000+02:00": local time with milliseconds and the
    // offset from UTC, which Qt's own ISO form writes only as "Z" for UTC.
    [[nodiscard]] static QString timeText(const QDateTime &time);
    [[nodiscard]] static QString resultName(Result result);
    // Why a unit number cannot be recorded (too long, or a control
    // character in it); empty when it can.
    [[nodiscard]] static QString unitProblem(const QString &unit);
    static constexpr qsizetype MaxUnitLength = 64;

    friend bool operator==(const CommissionRecord &, const CommissionRecord &) = default;
};
