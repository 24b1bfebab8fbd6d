// Feeds arbitrary bytes to the configuration-file reader. Whatever it
// accepts must write back to a file that reads the same.

#include "config_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ConfigFile::ReadResult result = ConfigFile::decode(bytes);
    if (result.error != ConfigFile::ReadError::None)
        return 0;
    if (result.configuration.rows.size() > 63)
        std::abort();
    // Coefficients are normalised by the round trip, so a second one is
    // compared with the first.
    const QByteArray once = ConfigFile::encode(result.configuration);
    const ConfigFile::ReadResult again = ConfigFile::decode(once);
    if (again.error != ConfigFile::ReadError::None ||
        ConfigFile::encode(again.configuration) != once)
        std::abort();
    return 0;
}
