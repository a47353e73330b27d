#include "app/processes/process_signals.h"

#include <cerrno>
#include <csignal>
#include <string>

namespace lopewell {

std::string_view signalVerb(ProcessSignal signal)
{
    return signal == ProcessSignal::forceQuit ? "force-quit" : "quit";
}

int signalNumber(ProcessSignal signal)
{
    return signal == ProcessSignal::forceQuit ? SIGKILL : SIGTERM;
}

ErrorOr<void> sendSignal(ProcessSignal signal, int32_t pid)
{
    // kill() with 0 or a negative pid would signal whole process groups, or everything.
    if (pid < 1)
        return Error { 0, "kernel_task is the macOS kernel itself — it's not user-killable." };
    if (::kill(pid_t(pid), signalNumber(signal)) == 0)
        return {};
    const int error = errno;
    const std::string number = std::to_string(pid);
    const std::string verb(signalVerb(signal));
    switch (error) {
    case ESRCH:
        return Error { error, "PID " + number + " is no longer running." };
    case EPERM:
        return Error { error, "Not allowed to " + verb + " PID " + number + " — process is owned by a different user." };
    default:
        return Error { error, "Couldn't " + verb + " PID " + number + " (errno " + std::to_string(error) + ")." };
    }
}

}  // namespace lopewell
