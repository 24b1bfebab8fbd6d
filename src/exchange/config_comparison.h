#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct LinkSettings;
struct Session;

// Two configurations side by side as a device stores them. The command-line
// diff and the window's comparison with a file both read them here.
namespace ConfigComparison {

// A link setting as the user reads it: the field's label and its value.
struct Field
{
    QString label;
    QString value;
};

// What differs, and how it reads in each configuration.
struct Difference
{
    QString what;
    QString first;
    QString second;

    friend bool operator==(const Difference &, const Difference &) = default;
};

// The device ID and the link settings, in the window's order.
[[nodiscard]] QList<Field> linkFields(int deviceId, const LinkSettings &link);

// The differences between two configurations, each with the image the device
// holds or would hold for it: the device ID and the link settings as the
// link byte keeps them, the row count, then every register's address, size
// and coefficient (after the 16-bit fraction), row by row. Empty when they
// are the same.
[[nodiscard]] QList<Difference> differences(const Session &first, const QByteArray &firstImage,
                                            const Session &second, const QByteArray &secondImage);

// One line per difference between a file's configuration and a device's,
// "what: файл A, устройство B"; deviceImage is the image the device sent.
[[nodiscard]] QStringList differenceLines(const Session &file, const Session &device,
                                          const QByteArray &deviceImage);

} // namespace ConfigComparison
