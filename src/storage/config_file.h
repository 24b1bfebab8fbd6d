#pragma once

#include "link_settings.h"
#include "register_entry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

// The *.dat configuration file: the device ID (4 bytes), the row count (1
// byte), one record per table row (name, address and size as counted
// strings, the kind as 4 bytes, the device coefficient as a counted "%.3f"
// string), then the device address, LinkByte, cell size and wiring byte.
// Numbers are little-endian; strings are code page 1251.
namespace ConfigFile {

// Rows hold the table's texts: the K text as the list shows it, which the
// file turns into the device coefficient and back.
struct Configuration
{
    quint32 deviceId = 0;
    QList<RegisterEntry> rows;
    LinkBytes link;
};

// Refuses files larger than this before reading them: a configuration of 63
// rows is a few kilobytes, and nothing in the format needs more.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

QByteArray encode(const Configuration &configuration);

enum class ReadError
{
    None,
    PastEnd,       // a field runs past the end of the file
    TooManyRows,   // more rows than a table holds
    TrailingBytes, // bytes after the last field
};

struct ReadResult
{
    ReadError error = ReadError::None;
    Configuration configuration; // complete only when error is None
};

// Reads a whole file. A file is taken whole or not at all.
ReadResult decode(QByteArrayView bytes);

// The counted-string form: one length byte up to 254; 0xFF and a 16-bit
// length up to 65533; 0xFF, 0xFFFF and a 32-bit length beyond.
void appendCountedString(QByteArray &bytes, QByteArrayView text);

// The file's coefficient text for a row, and the K text for a file's.
QByteArray fileCoefficient(const RegisterEntry &row);
QByteArray kTextFromFile(QByteArrayView name, QByteArrayView fileText);

} // namespace ConfigFile
