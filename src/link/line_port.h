#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <span>

// The line as the exchange sees it: one write per request, one drain of what
// has arrived per reply. SerialPort is the real one; tests script replies.
class LinePort
{
public:
    virtual ~LinePort() = default;
    // True when the whole block was taken.
    virtual bool write(QByteArrayView bytes) = 0;
    // Moves what has arrived into buffer, at most its size, and returns how
    // much; 0 when nothing has.
    [[nodiscard]] virtual qsizetype readAvailable(std::span<char> buffer) = 0;
    // The line went away since it was opened (an adapter pulled out): what
    // came before is no reply.
    [[nodiscard]] virtual bool hasVanished() const = 0;
};
