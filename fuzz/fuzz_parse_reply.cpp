// Feeds arbitrary received text to the reply parser.

#include "modbus_ascii.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    const ModbusAscii::ParsedReply reply = ModbusAscii::parseReply(text);
    // Two hex digits a byte, after the colon.
    if (reply.outcome == ModbusAscii::ParsedReply::Outcome::Bytes &&
        reply.bytes.size() > text.size() / 2)
        std::abort();
    return 0;
}
