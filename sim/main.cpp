// vxn-sim: a VXN transducer on a pseudo-terminal, for trying the program
// without hardware and for end-to-end tests.

#include "config_store.h"
#include "simulator.h"
#include "transducer.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

void onStopSignal(int)
{
    Simulator::requestStop();
}

// Why the link cannot go at path; empty when it can. It goes where nothing
// stands, or where a stale link of an earlier simulator leads to a terminal:
// a user's file, folder or link to anything else stays as it is.
QString linkRefusal(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo link(path);
    if (!link.absoluteDir().exists())
        return QStringLiteral("is in a folder that does not exist");
    if (link.isSymLink()) {
        const QString target = link.symLinkTarget();
        if (target.startsWith(u"/dev/pts/") || target.startsWith(u"/dev/tty"))
            return {};
        return QStringLiteral("is a symbolic link to something other than a terminal; not "
                              "replacing it");
    }
    if (link.exists())
        return QStringLiteral("exists and is not a symbolic link; not replacing it");
    return {};
}

QString helpText()
{
    return QStringLiteral(
               "Simulates a VXN transducer on a pseudo-terminal.\n\n"
               "It prints the terminal's device path as the first line of its standard\n"
               "output and serves until stopped (Ctrl+C, SIGTERM or the command quit).\n"
               "Point the program at it with OSTRIVAN_COM1=<path> (or COM2 ... COM8).\n\n"
               "The transducer answers a ReadConfig request naming another device ID\n"
               "with its own ID (function 0xE4) and one naming its own ID with its\n"
               "configuration (0x64). It stores a WriteConfig request naming its own ID\n"
               "and echoes it (0x65); another ID gets 0xE5 with its own ID. Replies go\n"
               "out at 9600 baud pace (about 1.04 ms a character) unless --no-pacing.\n\n"
               "Faults, chosen with --fault or by a line \"fault KIND\" on standard input:\n"
               "  none          answers correctly\n"
               "  silent        never answers\n"
               "  late          answers after the reply window (%1 ms read, %2 ms write)\n"
               "  truncated     sends the first half of each reply\n"
               "  bad-lrc       sends a wrong LRC\n"
               "  lowercase     sends lower-case hex digits\n"
               "  noise         sends junk before the colon\n"
               "  echo-changed  echoes a write with its last byte changed\n"
               "  echo-address  echoes a write with another address byte\n"
               "  other-id      answers as device ID %3\n"
               "  repeat        sends each reply twice, %4 ms apart\n"
               "  foreign       sends another device's frame (function 0x03) before\n"
               "                each reply\n"
               "  not-stored    echoes a write exactly but keeps the configuration\n"
               "                it held\n"
               "  vanish-mid-reply  drops the terminal half-way through the reply and\n"
               "                serves a new one, as an adapter pulled out\n\n"
               "--adapter-echo, or \"echo on\" and \"echo off\" on standard input, play an\n"
               "RS-485 adapter that hears itself: every request comes back before the\n"
               "answer.\n\n"
               "Other commands on standard input: \"image\" prints \"image HEX\", the\n"
               "configuration held; \"vanish\" drops the terminal and serves a new one\n"
               "(its path is printed again, and --link follows it).\n\n"
               "Every frame received and sent is logged with a timestamp on standard error.")
        .arg(Transducer::LateReadReplyMs)
        .arg(Transducer::LateWriteReplyMs)
        .arg(Transducer::OtherDeviceId)
        .arg(Transducer::RepeatGapMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vxn-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTRIVAN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(helpText());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption modelOption(
        QStringLiteral("model"),
        QStringLiteral("Device ID: 100, 200, 300, 400 or 401 (default 401)."), QStringLiteral("ID"),
        QStringLiteral("401"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Also make a symbolic link to the terminal at PATH."),
        QStringLiteral("PATH"));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Start with this fault (see above)."),
                                         QStringLiteral("KIND"), QStringLiteral("none"));
    const QCommandLineOption configOption(
        QStringLiteral("config"),
        QStringLiteral("Hold the configuration of this *.dat file (its device ID replaces "
                       "--model)."),
        QStringLiteral("FILE"));
    const QCommandLineOption noPacingOption(
        QStringLiteral("no-pacing"), QStringLiteral("Send replies at once, not at line speed."));
    const QCommandLineOption adapterEchoOption(
        QStringLiteral("adapter-echo"),
        QStringLiteral("Send every request back before its answer, as an adapter that hears "
                       "itself."));
    parser.addOptions(
        {modelOption, linkOption, faultOption, configOption, noPacingOption, adapterEchoOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "vxn-sim: %s See vxn-sim --help.\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "vxn-sim: unexpected argument \"%s\"; see vxn-sim --help\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    const QString linkPath = parser.value(linkOption);
    if (const QString refusal = linkRefusal(linkPath); !refusal.isEmpty()) {
        std::fprintf(stderr, "vxn-sim: \"%s\" %s\n", qPrintable(linkPath), qPrintable(refusal));
        return 2;
    }

    bool numeric = false;
    const int model = parser.value(modelOption).toInt(&numeric);
    std::optional<Transducer> transducer;
    if (parser.isSet(configOption)) {
        // Only a regular file: a FIFO would hang here and /dev/zero never
        // ends.
        const QString path = parser.value(configOption);
        const ConfigStore::LoadResult read = ConfigStore::load(path);
        switch (read.status) {
        case ConfigStore::LoadResult::Status::Loaded:
            break;
        case ConfigStore::LoadResult::Status::CannotOpen:
        case ConfigStore::LoadResult::Status::TooLarge:
            std::fprintf(stderr, "vxn-sim: cannot read \"%s\" (not a readable regular file)\n",
                         qPrintable(path));
            return 2;
        case ConfigStore::LoadResult::Status::Damaged:
            std::fprintf(stderr, "vxn-sim: \"%s\" is not a whole configuration file\n",
                         qPrintable(path));
            return 2;
        }
        transducer = Transducer::fromConfiguration(read.configuration);
    } else if (numeric) {
        transducer = Transducer::withDefaults(model);
    }
    if (!transducer) {
        std::fprintf(stderr, "vxn-sim: unknown model \"%s\"; use 100, 200, 300, 400 or 401\n",
                     qPrintable(parser.value(modelOption)));
        return 2;
    }
    const auto fault = faultFromName(parser.value(faultOption));
    if (!fault) {
        std::fprintf(stderr, "vxn-sim: unknown fault \"%s\"; use one of: %s\n",
                     qPrintable(parser.value(faultOption)), qPrintable(faultNames().join(u", ")));
        return 2;
    }
    transducer->setFault(*fault);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator simulator(*transducer, !parser.isSet(noPacingOption), parser.isSet(adapterEchoOption),
                        linkPath);
    if (!simulator.start())
        return 1;
    simulator.run();
    simulator.stop();
    return 0;
}
