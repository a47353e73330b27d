#include "platform/quit_signals.h"

#include <csignal>
#include <initializer_list>
#include <sys/socket.h>
#include <unistd.h>

namespace lopewell {

namespace {

int g_signalPipe[2] = { -1, -1 };

}  // namespace

int watchQuitSignals()
{
    if (g_signalPipe[1] >= 0)
        return g_signalPipe[1];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return -1;
    struct sigaction action {};
    action.sa_handler = [](int) {
        char byte = 1;
        [[maybe_unused]] auto written = ::write(g_signalPipe[0], &byte, 1);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
    return g_signalPipe[1];
}

}  // namespace lopewell
