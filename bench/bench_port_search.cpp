// How long the port search takes on a bench of eight adapters, whatever
// each does: COM1 and COM5 absent, COM2 and COM6 silent, COM3 and COM7
// answering after the read window, COM4 (model 300) and COM8 (model 401)
// answering. The window's search (stop at the first answer) and the
// search of scan (all eight) from start to finished, and ostrivan-cli scan
// from start to exit, each a median of Runs. Prints table rows.

#include "exchange_engine.h"
#include "port_search.h"
#include "serial_port.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_port_search VXN_SIM OSTRIVAN_CLI\n");
        return 2;
    }
    const QString simPath = QString::fromLocal8Bit(argv[1]);
    std::array<SimProcess, 6> sims{SimProcess(simPath), SimProcess(simPath), SimProcess(simPath),
                                   SimProcess(simPath), SimProcess(simPath), SimProcess(simPath)};
    const std::array<QStringList, 6> arguments{QStringList{"--model", "401", "--fault", "silent"},
                                               {"--model", "401", "--fault", "late"},
                                               {"--model", "300"},
                                               {"--model", "401", "--fault", "silent"},
                                               {"--model", "401", "--fault", "late"},
                                               {"--model", "401"}};
    QStringList names{"/nonexistent/com1"};
    for (int i = 0; i < 6; ++i) {
        if (!sims[i].start(arguments[i]))
            return 2;
        names << sims[i].devicePath;
        if (i == 2)
            names << "/nonexistent/com5";
    }

    std::vector<double> window, scan, tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (int n = 0; n < 8; ++n)
        environment.insert(QStringLiteral("OSTRIVAN_COM%1").arg(n + 1), names[n]);
    for (int run = 0; run < Runs; ++run) {
        for (const auto &[stop, into] : {std::pair{PortSearch::Stop::AtFirstAnswer, &window},
                                         std::pair{PortSearch::Stop::AfterAll, &scan}}) {
            SerialPort own;
            PortSearch search(own);
            QEventLoop loop;
            QObject::connect(&search, &PortSearch::finished, &loop, &QEventLoop::quit);
            QElapsedTimer clock;
            clock.start();
            if (!search.start(names, stop))
                return 2;
            loop.exec();
            into->push_back(double(clock.nsecsElapsed()) / 1e6);
            const PortProbe *found = search.found();
            if (!found || found->port != names[3]) {
                std::fprintf(stderr, "bench_port_search: the wrong port was found\n");
                return 1;
            }
            // The late replies have gone out before the next run.
            QEventLoop pause;
            QTimer::singleShot(1200, &pause, &QEventLoop::quit);
            pause.exec();
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        process.start(QString::fromLocal8Bit(argv[2]), {"scan"});
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            return 1;
        tool.push_back(double(clock.nsecsElapsed()) / 1e6);
        QEventLoop pause;
        QTimer::singleShot(1200, &pause, &QEventLoop::quit);
        pause.exec();
    }
    const int target = ExchangeEngine::ReadReplyMs + 150;
    std::printf("| Port search, 8 ports (2 absent, 2 silent, 2 late, 2 answering) | Median of %d "
                "| Target |\n| --- | --- | --- |\n",
                Runs);
    std::printf("| the window's search, start to finished | %.0f ms | ≤ %d ms |\n", median(window),
                target);
    std::printf("| the search of scan, start to finished | %.0f ms | ≤ %d ms |\n", median(scan),
                target);
    std::printf("| ostrivan-cli scan, start to exit | %.0f ms | |\n", median(tool));
    return 0;
}
