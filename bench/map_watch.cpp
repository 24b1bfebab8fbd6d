// Starts a program and reports when its first real window is mapped, from
// the X server's own MapNotify event, so that no polling client competes
// with the program for the processor while it starts.
//
//   map_watch [-u UID] STDERR_FILE PROGRAM [ARGUMENTS...]
//
// With -u the program runs as that user (and its group), as a user who may
// not open the machine's serial devices would start it.
//
// Prints "milliseconds pid peak-kB private-kB" and leaves the program
// running; exits with 1 when the program ends, or 10 s pass, first.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long statusField(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    }
    return -1;
}

// Qt maps small helper windows too; the program's window is the first of
// some size.
bool isRealWindow(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const bool real = geometry && geometry->width > 10 && geometry->height > 10;
    std::free(geometry);
    return real;
}

} // namespace

int main(int argc, char *argv[])
{
    int first = 1;
    long uid = -1;
    if (argc > 2 && std::strcmp(argv[1], "-u") == 0) {
        uid = std::strtol(argv[2], nullptr, 10);
        first = 3;
    }
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: map_watch [-u UID] STDERR_FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "map_watch: could not connect to display\n");
        return 2;
    }
    fcntl(xcb_get_file_descriptor(connection), F_SETFD, FD_CLOEXEC);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected =
        xcb_change_window_attributes_checked(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t *error = xcb_request_check(connection, selected)) {
        std::free(error);
        return 2;
    }

    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        const int log = open(argv[first], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(null, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        if (uid >= 0 &&
            (setgroups(0, nullptr) != 0 || setgid(gid_t(uid)) != 0 || setuid(uid_t(uid)) != 0))
            _exit(126);
        execv(argv[first + 1], argv + first + 1);
        _exit(127);
    }

    pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return 1;
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
            const xcb_window_t window =
                mapped ? reinterpret_cast<xcb_map_notify_event_t *>(event)->window : 0;
            std::free(event);
            if (mapped && isRealWindow(connection, window)) {
                const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - started);
                std::printf("%lld %d %ld %ld\n", static_cast<long long>(elapsed.count()), pid,
                            statusField(pid, "VmHWM:"), statusField(pid, "RssAnon:"));
                return 0;
            }
        }
        poll(&watched, 1, 20);
    }
    kill(pid, SIGTERM);
    return 1;
}
