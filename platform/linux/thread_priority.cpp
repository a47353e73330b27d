#include "platform/thread_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lopewell {

namespace {

// From linux/ioprio.h, which glibc does not wrap.
constexpr int kIOPriorityWhoProcess = 1;
constexpr int kIOPriorityClassBestEffort = 2;
constexpr int kIOPriorityClassShift = 13;
constexpr int kIOPriorityLowestBestEffortLevel = 7;

// Like a utility task: below interactive work, above work that may starve.
constexpr int kNiceIncrement = 10;

}  // namespace

void lowerCurrentThreadPriority()
{
    // On Linux both priorities belong to the thread whose id is given, not to the whole process.
    const pid_t thread = static_cast<pid_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (errno == 0 && current < kNiceIncrement)
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), kNiceIncrement);
    (void)::syscall(SYS_ioprio_set, kIOPriorityWhoProcess, thread,
        (kIOPriorityClassBestEffort << kIOPriorityClassShift) | kIOPriorityLowestBestEffortLevel);
}

}  // namespace lopewell
