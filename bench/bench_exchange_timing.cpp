// The reply windows of the exchange as the line sees them, against vxn-sim:
// from the end of a request to the next request of a first read
// (identification, then the read), and from the end of a request to the
// message of a silent device, for a read and a write. Prints the medians in
// milliseconds.

#include "live_exchange.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTime>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 7;

// Times of day (ms) at which the simulator logged a received request.
std::vector<int> requestTimes(const QByteArray &log)
{
    static const QRegularExpression line(QStringLiteral(R"((\d\d):(\d\d):(\d\d)\.(\d\d\d) <- )"));
    std::vector<int> times;
    auto it = line.globalMatch(QString::fromUtf8(log));
    while (it.hasNext()) {
        const auto m = it.next();
        times.push_back(
            ((m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt()) *
                1000 +
            m.captured(4).toInt());
    }
    return times;
}

double median(std::vector<int> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_exchange_timing VXN_SIM\n");
        return 2;
    }
    QProcess sim;
    sim.start(QString::fromLocal8Bit(argv[1]), {"--model", "401"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return 2;
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QByteArray log;
    const auto drainLog = [&] {
        QCoreApplication::processEvents();
        log += sim.readAllStandardError();
    };

    std::vector<int> identifyWindows, silentRead, silentWrite;
    for (int run = 0; run < Runs; ++run) {
        LiveExchange x;
        if (!x.port.open(device) || !x.port.configure(PortModeString))
            return 2;
        // The simulator notices a new client within 20 ms; until then a
        // request would be taken late and the first window look short.
        waitFor([] { return false; }, 200);
        drainLog();
        log.clear();
        int finished = 0;
        QObject::connect(&x.engine, &ExchangeEngine::exchangeFinished, [&finished] { ++finished; });
        if (x.engine.startRead())
            waitFor([&] { return finished > 0; }, 5000);
        waitFor([&] { return !x.waitingForReply(); }, 3000);
        QThread::msleep(50);
        drainLog();
        const std::vector<int> times = requestTimes(log);
        if (times.size() == 2 && x.messages.shown.isEmpty())
            identifyWindows.push_back(times[1] - times[0]);

        sim.write("fault silent\n");
        waitFor([] { return false; }, 100);
        for (bool write : {false, true}) {
            drainLog();
            log.clear();
            x.messages.shown.clear();
            if (write ? x.engine.startWrite() : x.engine.startRead())
                waitFor([&] { return !x.messages.shown.isEmpty(); }, 6000);
            drainLog();
            const std::vector<int> request = requestTimes(log);
            if (request.size() == 1)
                (write ? silentWrite : silentRead).push_back(x.messages.lastShownAtMs - request[0]);
        }
        sim.write("fault none\n");
        waitFor([] { return false; }, 100);
    }
    sim.write("quit\n");
    sim.waitForFinished(3000);

    std::printf("| first read: end of request to next request (1000 ms) | %.0f ms |\n",
                median(identifyWindows));
    std::printf("| silent device, read: end of request to message (1000 ms) | %.0f ms |\n",
                median(silentRead));
    std::printf("| silent device, write: end of request to message (4000 ms) | %.0f ms |\n",
                median(silentWrite));
    return 0;
}
