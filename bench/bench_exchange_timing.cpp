// How long the exchanges take against vxn-sim, paced at 9600 baud, next to
// the time their characters need on the line (10 bits each, both ways):
// a first read of model 401 (identification, then the read), a later read,
// and a write with its echo, each from the command to the end of the
// exchange. Then the reply windows of a silent device, from the end of the
// request to the message. Prints medians in milliseconds as table rows.

#include "live_exchange.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 7;
constexpr double MsPerCharacter = 10 * 1000.0 / 9600;

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

// Characters of the frames the simulator received and sent.
int lineCharacters(const QByteArray &log)
{
    static const QRegularExpression frame(QStringLiteral(R"( (<-|->) .*\((\d+) chars\))"));
    int characters = 0;
    auto it = frame.globalMatch(QString::fromUtf8(log));
    while (it.hasNext())
        characters += it.next().captured(2).toInt();
    return characters;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

struct Timed
{
    std::vector<double> measured;
    std::vector<double> lineTime;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_exchange_timing VXN_SIM\n");
        return 2;
    }
    SimProcess sim(QString::fromLocal8Bit(argv[1]));
    if (!sim.start({"--model", "401"}))
        return 2;
    QByteArray log;
    const auto drainLog = [&] {
        QCoreApplication::processEvents();
        log = sim.log();
    };

    Timed firstRead, laterRead, write;
    std::vector<double> silentRead, silentWrite;
    for (int run = 0; run < Runs; ++run) {
        LiveExchange x;
        if (!x.port.open(sim.devicePath) || !x.port.configure(PortModeString))
            return 2;
        // The simulator notices a new client within 20 ms; until then a
        // request would be taken late.
        waitFor([] { return false; }, 200);

        const auto timed = [&](Timed &into, bool writing) {
            drainLog();
            const qsizetype logBefore = log.size();
            QElapsedTimer clock;
            clock.start();
            const ExchangeKind kind = writing ? ExchangeKind::Write : ExchangeKind::Read;
            const bool answered = x.run(kind).succeeded(kind);
            const double elapsed = double(clock.nsecsElapsed()) / 1e6;
            QThread::msleep(50);
            drainLog();
            if (answered && x.messages.shown.isEmpty()) {
                into.measured.push_back(elapsed);
                into.lineTime.push_back(lineCharacters(log.mid(logBefore)) * MsPerCharacter);
            }
            waitFor([&] { return !x.waitingForReply(); }, 3000);
        };
        timed(firstRead, false);
        timed(laterRead, false);
        x.session.link.deviceAddress = quint8(10 + run);
        timed(write, true);

        sim.command("fault silent");
        waitFor([] { return false; }, 100);
        for (bool writing : {false, true}) {
            drainLog();
            const qsizetype logBefore = log.size();
            x.messages.shown.clear();
            if (writing ? x.engine.startWrite() : x.engine.startRead())
                waitFor([&] { return !x.messages.shown.isEmpty(); }, 6000);
            drainLog();
            const std::vector<int> request = requestTimes(log.mid(logBefore));
            if (request.size() == 1)
                (writing ? silentWrite : silentRead)
                    .push_back(x.messages.lastShownAtMs - request[0]);
        }
        sim.command("fault none");
        waitFor([] { return false; }, 100);
    }

    const auto row = [](const char *name, const Timed &t, int allowance) {
        const double line = median(t.lineTime);
        std::printf("| %s | %.0f ms | %.0f ms | ≤ %.0f ms |\n", name, line, median(t.measured),
                    line + allowance);
    };
    std::printf("| Exchange, command to end | Line time | Measured, median of %d | Target |\n",
                Runs);
    std::printf("| --- | --- | --- | --- |\n");
    row("first read of model 401 (two exchanges)", firstRead, 100);
    row("later read", laterRead, 50);
    row("write with echo", write, 50);
    std::printf("\n| Silent device, end of request to message | Window | Measured |\n");
    std::printf("| --- | --- | --- |\n");
    std::printf("| read | 1000 ms | %.0f ms |\n", median(silentRead));
    std::printf("| write | 4000 ms | %.0f ms |\n", median(silentWrite));
    return 0;
}
