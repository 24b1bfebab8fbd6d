#pragma once

#include <QByteArray>
#include <QString>

// The program keeps every user-visible text of the register model, the
// device and the files as code page 1251 bytes, so that what is read from a
// file or a device goes back out byte for byte. These two convert at the edge
// where a text meets the screen or the source code.
QByteArray toCp1251(QStringView text);
QString fromCp1251(QByteArrayView bytes);
