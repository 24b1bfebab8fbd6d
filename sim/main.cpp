// vxn-sim: a VXN transducer on a pseudo-terminal, for trying the program
// without hardware and for end-to-end tests.

#include "config_store.h"
#include "line_log.h"
#include "pseudo_terminal.h"
#include "traffic_log.h"
#include "transducer.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// 9600 baud, 10 bits per character.
constexpr auto CharacterTime = std::chrono::microseconds(1042);

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

struct Outgoing
{
    QByteArray text;
    Clock::time_point due;
    qsizetype sent = 0;
};

class Simulator
{
public:
    Simulator(Transducer transducer, bool pacing, bool adapterEcho, QString linkPath)
        : device(std::move(transducer)), pacing(pacing), adapterEcho(adapterEcho),
          linkPath(std::move(linkPath))
    {
    }

    bool start()
    {
        QString error;
        if (!line.create(&error)) {
            LineLog::event(QStringLiteral("cannot create a pseudo-terminal: %1").arg(error));
            return false;
        }
        announce();
        return true;
    }

    void run()
    {
        bool stdinOpen = true;
        while (!stopRequested) {
            const bool attached = line.clientAttached();
            if (attached != clientAttached)
                onAttachedChanged(attached);

            pollfd fds[2] = {{attached ? line.masterFd() : -1, POLLIN, 0},
                             {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
            if (::poll(fds, 2, pollTimeoutMs(attached)) < 0 && errno != EINTR)
                break;
            if (fds[0].revents & POLLIN)
                receive();
            if (fds[1].revents & (POLLIN | POLLHUP))
                stdinOpen = readCommand();
            if (clientAttached)
                sendDue();
        }
    }

    void stop()
    {
        // Only the link made here, and only while it still leads to the
        // terminal served: whatever someone put there since stays.
        if (!linkPath.isEmpty() && linkIsOurs())
            QFile::remove(linkPath);
        line.close();
        LineLog::event(QStringLiteral("stopped"));
    }

private:
    // The path is printed once the link is there: whoever reads it may open
    // either at once.
    void announce()
    {
        if (!linkPath.isEmpty()) {
            // A link standing there (this one's, or one left from before)
            // is replaced; anything else was refused at the start.
            if (QFileInfo(linkPath).isSymLink())
                QFile::remove(linkPath);
            if (QFile::link(line.devicePath(), linkPath))
                linkTarget = line.devicePath();
            else
                LineLog::event(QStringLiteral("cannot make the link %1").arg(linkPath));
        }
        std::printf("%s\n", line.devicePath().toLocal8Bit().constData());
        std::fflush(stdout);
        LineLog::event(
            QStringLiteral("transducer %1 on %2%3, fault %4")
                .arg(device.deviceId())
                .arg(line.devicePath(),
                     linkPath.isEmpty() ? QString() : QStringLiteral(" (") + linkPath + u')',
                     faultName(device.fault())));
    }

    bool linkIsOurs() const
    {
        const QFileInfo link(linkPath);
        return link.isSymLink() && !linkTarget.isEmpty() && link.symLinkTarget() == linkTarget;
    }

    void onAttachedChanged(bool attached)
    {
        clientAttached = attached;
        if (attached) {
            LineLog::event(QStringLiteral("client opened the line"));
            return;
        }
        LineLog::event(QStringLiteral("client closed the line"));
        received.clear();
        outgoing.clear();
        // A client that was killed leaves the terminal locked and with its
        // own settings; the next one must find a clean line.
        if (!line.resetLine()) {
            LineLog::event(QStringLiteral("cannot reset the line, serving a new one"));
            if (line.create(nullptr))
                announce();
        }
    }

    int pollTimeoutMs(bool attached) const
    {
        if (!attached)
            return 20; // the master reports the hang-up at once; do not spin
        if (outgoing.empty())
            return 100;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            outgoing.front().due - Clock::now());
        return int(std::clamp<qint64>(wait.count(), 0, 100)) + (pacing ? 1 : 0);
    }

    void receive()
    {
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(line.masterFd(), buffer, sizeof buffer)) > 0)
            received.append(buffer, count);
        for (;;) {
            const qsizetype start = received.indexOf(':');
            if (start < 0) {
                if (!received.isEmpty())
                    LineLog::frame("junk", received);
                received.clear();
                return;
            }
            if (start > 0) {
                LineLog::frame("junk", QByteArrayView(received).first(start));
                received.remove(0, start);
            }
            const qsizetype end = received.indexOf('\n');
            if (end < 0)
                return;
            const QByteArray request = received.left(end + 1);
            received.remove(0, end + 1);
            LineLog::frame("<-", request);
            answer(request);
        }
    }

    void answer(const QByteArray &request)
    {
        // An adapter whose receiver stays on hears the request as it goes
        // out: before anything still waiting to be sent.
        if (adapterEcho) {
            const auto at = outgoing.empty() || outgoing.front().sent == 0 ? outgoing.begin()
                                                                           : outgoing.begin() + 1;
            outgoing.insert(at, Outgoing{request, Clock::now(), 0});
        }
        const auto reply = device.respond(request);
        if (!reply) {
            LineLog::event(QStringLiteral("no answer (fault %1)").arg(faultName(device.fault())));
            return;
        }
        if (reply->delayMs > 0)
            LineLog::event(QStringLiteral("answering in %1 ms").arg(reply->delayMs));
        const Clock::time_point due =
            queue(reply->text, Clock::now() + std::chrono::milliseconds(reply->delayMs));
        if (reply->repeated)
            queue(reply->text, due + lineTime(reply->text.size()) +
                                   std::chrono::milliseconds(Transducer::RepeatGapMs));
    }

    // Queues a text to go out at due or after what is queued before it;
    // returns when it starts.
    Clock::time_point queue(const QByteArray &text, Clock::time_point due)
    {
        Outgoing out;
        out.text = text;
        out.due = due;
        // Texts leave in order; a late one holds back those behind it.
        if (!outgoing.empty())
            out.due =
                std::max(out.due, outgoing.back().due + lineTime(outgoing.back().text.size()));
        outgoing.push_back(out);
        return out.due;
    }

    Clock::duration lineTime(qsizetype characters) const
    {
        return pacing ? CharacterTime * characters : Clock::duration::zero();
    }

    void sendDue()
    {
        while (!outgoing.empty()) {
            Outgoing &out = outgoing.front();
            const auto now = Clock::now();
            if (now < out.due)
                return;
            qsizetype target = out.text.size();
            if (pacing) {
                const auto elapsed = now - out.due;
                target = std::min<qsizetype>(target, 1 + elapsed / CharacterTime);
            }
            while (out.sent < target) {
                const ssize_t written =
                    ::write(line.masterFd(), out.text.constData() + out.sent, target - out.sent);
                if (written <= 0)
                    return;
                out.sent += written;
            }
            if (out.sent < out.text.size())
                return;
            LineLog::frame("->", out.text);
            outgoing.pop_front();
        }
    }

    // One command per line: "fault KIND" (or just the kind), "echo on" or
    // "echo off" (an adapter that hears itself), "image" (prints the
    // configuration held, in hex, on standard output), "vanish" (the terminal
    // goes away and a new one is served, as when an adapter is pulled out and
    // plugged in again), or "quit".
    bool readCommand()
    {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        for (const char c : QByteArrayView(buffer, count)) {
            if (c == '\n') {
                if (commandTooLong)
                    LineLog::event(QStringLiteral("command longer than %1 characters; the rest "
                                                  "of the line was dropped")
                                       .arg(MaxCommandLength));
                const QByteArray line = std::exchange(command, QByteArray());
                commandTooLong = false;
                execute(QString::fromLocal8Bit(line).trimmed());
            } else if (command.size() < MaxCommandLength) {
                command.append(c);
            } else {
                commandTooLong = true;
            }
        }
        return true;
    }

    void execute(const QString &command)
    {
        if (command.isEmpty())
            return;
        if (command == u"quit") {
            stopRequested = 1;
            return;
        }
        if (command == u"image") {
            std::printf("image %s\n", device.image().toHex().toUpper().constData());
            std::fflush(stdout);
            return;
        }
        if (command == u"vanish") {
            LineLog::event(QStringLiteral("line vanished"));
            line.close();
            clientAttached = false;
            received.clear();
            outgoing.clear();
            if (line.create(nullptr))
                announce();
            return;
        }
        if (command == u"echo on" || command == u"echo off") {
            adapterEcho = command == u"echo on";
            LineLog::event(QStringLiteral("adapter echo %1").arg(adapterEcho ? "on" : "off"));
            return;
        }
        QString kind = command;
        if (kind.startsWith(u"fault "))
            kind = kind.mid(6).trimmed();
        if (const auto fault = faultFromName(kind)) {
            device.setFault(*fault);
            LineLog::event(QStringLiteral("fault %1").arg(faultName(*fault)));
        } else {
            LineLog::event(
                QStringLiteral("unknown command \"%1\"; faults: %2")
                    .arg(TrafficFormat::escaped(command.toUtf8()), faultNames().join(u", ")));
        }
    }

    static constexpr qsizetype MaxCommandLength = 4096;

    Transducer device;
    bool pacing;
    bool adapterEcho;
    QString linkPath;
    QString linkTarget; // the terminal the link was made to
    PseudoTerminal line;
    bool clientAttached = false;
    QByteArray received;
    QByteArray command; // the command line so far
    bool commandTooLong = false;
    std::deque<Outgoing> outgoing;
};

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
               "                it held\n\n"
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
