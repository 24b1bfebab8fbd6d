// Feeds arbitrary bytes to the configuration-file reader. Whatever it
// accepts must write back to a file that reads the same.

#include "config_file.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Coefficients pass through decimal text and floating point, which is not
// exact for absurd magnitudes; everything else must come back unchanged.
bool sameShape(const ConfigFile::Configuration &a, const ConfigFile::Configuration &b)
{
    if (a.deviceId != b.deviceId || !(a.link == b.link) || a.rows.size() != b.rows.size())
        return false;
    for (qsizetype r = 0; r < a.rows.size(); ++r) {
        const RegisterEntry &x = a.rows[r];
        const RegisterEntry &y = b.rows[r];
        if (x.name != y.name || x.address != y.address || x.size != y.size || x.kind != y.kind)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ConfigFile::ReadResult result = ConfigFile::decode(bytes);
    if (result.error != ConfigFile::ReadError::None)
        return 0;
    if (result.configuration.rows.size() > 63)
        std::abort();
    const ConfigFile::ReadResult again =
        ConfigFile::decode(ConfigFile::encode(result.configuration));
    if (again.error != ConfigFile::ReadError::None ||
        !sameShape(result.configuration, again.configuration))
        std::abort();
    return 0;
}
