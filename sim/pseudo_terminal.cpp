#include "pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Raw 8-bit characters at 9600 baud, no echo, no line editing.
bool setRawLine(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::create(QString *error)
{
    close();
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        close();
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    path = QString::fromLocal8Bit(ptsname(master));
    if (!resetLine()) {
        if (error)
            *error = QStringLiteral("cannot set up %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    }
    return true;
}

void PseudoTerminal::close()
{
    if (master >= 0)
        ::close(master);
    master = -1;
    path.clear();
}

bool PseudoTerminal::clientAttached() const
{
    pollfd fd{master, POLLIN, 0};
    if (::poll(&fd, 1, 0) < 0)
        return false;
    return (fd.revents & POLLHUP) == 0;
}

bool PseudoTerminal::resetLine()
{
    const QByteArray device = path.toLocal8Bit();
    const int slave = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return false;
    ::ioctl(slave, TIOCNXCL);
    const bool ok = setRawLine(slave);
    tcflush(slave, TCIOFLUSH);
    ::close(slave);
    // Whatever the last client left unread on our side goes too.
    char discard[256];
    while (::read(master, discard, sizeof discard) > 0) {
    }
    return ok;
}
