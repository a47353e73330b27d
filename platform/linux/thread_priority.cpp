#include "platform/thread_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lopewell {

namespace {

// From linux/ioprio.h, which glibc does not wrap.
constexpr int ioPriorityWhoProcess = 1;
constexpr int ioPriorityClassBestEffort = 2;
constexpr int ioPriorityClassShift = 13;
constexpr int ioPriorityLowestBestEffortLevel = 7;

// Like a utility task: below interactive work, above work that may starve.
constexpr int niceIncrement = 10;

}  // namespace

void lowerCurrentThreadPriority()
{
    // On Linux both priorities belong to the thread whose id is given, not to the whole process.
    const pid_t thread = static_cast<pid_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (errno == 0 && current < niceIncrement)
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), niceIncrement);
    (void)::syscall(SYS_ioprio_set, ioPriorityWhoProcess, thread,
        (ioPriorityClassBestEffort << ioPriorityClassShift) | ioPriorityLowestBestEffortLevel);
}

}  // namespace lopewell
