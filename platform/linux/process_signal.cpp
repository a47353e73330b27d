#include "platform/process_signal.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <unistd.h>

namespace lopewell {

int terminateSignal()
{
    return SIGTERM;
}
int killSignal()
{
    return SIGKILL;
}

ErrorOr<void> signalProcess(std::int32_t pid, int signal)
{
    if (pid < 1)
        return Error { EINVAL,
            "Refusing to signal pid " + std::to_string(pid) + ": only a single process (pid 1 or above) may be signalled" };
    if (::kill(pid_t(pid), signal) != 0)
        return Error::fromErrno(errno, "Cannot signal pid " + std::to_string(pid));
    return {};
}

std::int32_t currentProcessId()
{
    return std::int32_t(::getpid());
}

}  // namespace lopewell
