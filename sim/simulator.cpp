#include "simulator.h"

#include "line_log.h"
#include "traffic_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

// 9600 baud, 10 bits per character.
constexpr auto CharacterTime = std::chrono::microseconds(1042);

volatile std::sig_atomic_t stopRequested = 0;

} // namespace

void Simulator::requestStop()
{
    stopRequested = 1;
}

Simulator::Simulator(Transducer transducer, bool pacing, bool adapterEcho, QString linkPath)
    : device(std::move(transducer)), pacing(pacing), adapterEcho(adapterEcho),
      linkPath(std::move(linkPath))
{
}

bool Simulator::start()
{
    QString error;
    if (!line.create(&error)) {
        LineLog::event(QStringLiteral("cannot create a pseudo-terminal: %1").arg(error));
        return false;
    }
    announce();
    return true;
}

void Simulator::run()
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

void Simulator::stop()
{
    // Only the link made here, and only while it still leads to the
    // terminal served: whatever someone put there since stays.
    if (!linkPath.isEmpty() && linkIsOurs())
        QFile::remove(linkPath);
    line.close();
    LineLog::event(QStringLiteral("stopped"));
}

void Simulator::announce()
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
    LineLog::event(QStringLiteral("transducer %1 on %2%3, fault %4")
                       .arg(device.deviceId())
                       .arg(line.devicePath(),
                            linkPath.isEmpty() ? QString() : QStringLiteral(" (") + linkPath + u')',
                            faultName(device.fault())));
}

bool Simulator::linkIsOurs() const
{
    const QFileInfo link(linkPath);
    return link.isSymLink() && !linkTarget.isEmpty() && link.symLinkTarget() == linkTarget;
}

void Simulator::onAttachedChanged(bool attached)
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

int Simulator::pollTimeoutMs(bool attached) const
{
    if (!attached)
        return 20; // the master reports the hang-up at once; do not spin
    if (outgoing.empty())
        return 100;
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(outgoing.front().due - Clock::now());
    return int(std::clamp<qint64>(wait.count(), 0, 100)) + (pacing ? 1 : 0);
}

void Simulator::receive()
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

void Simulator::answer(const QByteArray &request)
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
    if (reply->vanishHalfway)
        outgoing.back().vanishAt = reply->text.size() / 2;
    if (reply->repeated)
        queue(reply->text, due + lineTime(reply->text.size()) +
                               std::chrono::milliseconds(Transducer::RepeatGapMs));
}

Simulator::Clock::time_point Simulator::queue(const QByteArray &text, Clock::time_point due)
{
    Outgoing out;
    out.text = text;
    out.due = due;
    // Texts leave in order; a late one holds back those behind it.
    if (!outgoing.empty())
        out.due = std::max(out.due, outgoing.back().due + lineTime(outgoing.back().text.size()));
    outgoing.push_back(out);
    return out.due;
}

Simulator::Clock::duration Simulator::lineTime(qsizetype characters) const
{
    return pacing ? CharacterTime * characters : Clock::duration::zero();
}

void Simulator::sendDue()
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
        if (out.vanishAt >= 0)
            target = std::min(target, out.vanishAt);
        while (out.sent < target) {
            const ssize_t written =
                ::write(line.masterFd(), out.text.constData() + out.sent, target - out.sent);
            if (written <= 0)
                return;
            out.sent += written;
        }
        if (out.sent == out.vanishAt) {
            LineLog::frame("->", QByteArrayView(out.text).first(out.sent));
            vanish();
            return;
        }
        if (out.sent < out.text.size())
            return;
        LineLog::frame("->", out.text);
        outgoing.pop_front();
    }
}

bool Simulator::readCommand()
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

void Simulator::vanish()
{
    LineLog::event(QStringLiteral("line vanished"));
    line.close();
    clientAttached = false;
    received.clear();
    outgoing.clear();
    if (line.create(nullptr))
        announce();
}

void Simulator::execute(const QString &command)
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
        vanish();
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
