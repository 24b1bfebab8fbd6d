// Cost per call of the pure parts at their largest: parsing the longest
// reply the program accepts (a 63-row configuration) and building the
// write image of the 401 table. Prints nanoseconds per call, the median of
// several runs.

#include "config_image.h"
#include "device_models.h"
#include "modbus_ascii.h"
#include "session.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double nanosecondsPerCall(const std::function<qsizetype()> &call, int iterations)
{
    std::vector<double> runs;
    qsizetype sink = 0;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < iterations; ++i)
            sink += call();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        runs.push_back(std::chrono::duration<double, std::nano>(elapsed).count() / iterations);
    }
    if (sink == 42)
        std::puts("");
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    // The reply of a 63-row configuration: address, function, image less its
    // address byte.
    const QByteArray data(ConfigImage::imageSize(RegisterTable::MaxRows) - 1, '\x5A');
    const QByteArray reply = ModbusAscii::buildRequest(0x05, ModbusAscii::ReadConfig, data);
    if (ModbusAscii::parseReply(reply).outcome != ModbusAscii::ParsedReply::Outcome::Bytes)
        return 1;
    const double parse =
        nanosecondsPerCall([&reply] { return ModbusAscii::parseReply(reply).bytes.size(); }, 20000);

    Session session;
    session.deviceId = 401;
    session.link.cellSize = 1;
    buildRegisterTable(session.table, 401, session.configFileName);
    const double build =
        nanosecondsPerCall([&] { return ConfigImage::buildImage(session).size(); }, 20000);

    std::printf("| parseReply, %lld-character reply | %.0f ns per call |\n",
                static_cast<long long>(reply.size()), parse);
    std::printf("| buildImage, 401 table (%d rows) | %.0f ns per call |\n",
                session.table.rowCount(), build);
    return 0;
}
