#include "app/processes/process_signals.h"

#include <cerrno>
#include <string>

#include "platform/process_signal.h"

namespace lopewell {

std::string_view signalVerb(ProcessSignal signal)
{
    return signal == ProcessSignal::forceQuit ? "force-quit" : "quit";
}

int signalNumber(ProcessSignal signal)
{
    return signal == ProcessSignal::forceQuit ? killSignal() : terminateSignal();
}

ErrorOr<void> sendSignal(ProcessSignal signal, int32_t pid)
{
    if (pid < 1)
        return Error { 0, "kernel_task is the macOS kernel itself — it's not user-killable." };
    auto sent = signalProcess(pid, signalNumber(signal));
    if (sent)
        return {};
    const int error = sent.error().code;
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
