#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// The line as the exchange sees it: one write per request, one drain of what
// has arrived per reply. SerialPort is the real one; tests script replies.
class LinePort
{
public:
    virtual ~LinePort() = default;
    virtual bool write(QByteArrayView bytes) = 0;
    virtual qsizetype readAvailable(char *buffer, qsizetype capacity) = 0;
};
