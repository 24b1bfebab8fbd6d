#pragma once

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal for port tests: the test plays the device on the master
// side, the code under test opens slavePath like a serial adapter.
class PtyPair
{
public:
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slavePath = QString::fromLocal8Bit(ptsname(master));
        // Raw line so that nothing is echoed back or translated.
        const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
        termios settings{};
        tcgetattr(slave, &settings);
        cfmakeraw(&settings);
        tcsetattr(slave, TCSANOW, &settings);
        ::close(slave);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return master >= 0 && !slavePath.isEmpty(); }

    void send(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.constData() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += n;
        }
    }

    // Everything that arrives within timeoutMs, or once expected bytes came.
    QByteArray receive(qsizetype expected, int timeoutMs) const
    {
        QByteArray bytes;
        for (int waited = 0; bytes.size() < expected && waited < timeoutMs; waited += 10) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 10) > 0 && (fd.revents & POLLIN)) {
                char buffer[4096];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    bytes.append(buffer, n);
            }
        }
        return bytes;
    }

    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    QString slavePath;

private:
    int master = -1;
};
