// Signalling one process by its id. Code above the platform asks here instead of calling
// kill() itself, so the rule that keeps it from reaching a whole process group holds in one
// place.
//
//   if (auto sent = signalProcess(pid, terminateSignal()); !sent) report(sent.error());
#pragma once

#include <cstdint>

#include "core/base/error_or.h"

namespace lopewell {

int terminateSignal();  // SIGTERM: asks the process to quit
int killSignal();       // SIGKILL: cannot be caught

// Refuses any pid below 1 (EINVAL) without signalling anything: kill() with 0 or a negative pid
// would signal a whole process group, or every process we may signal. Otherwise the error's
// code is kill()'s errno (ESRCH: gone, EPERM: not ours).
ErrorOr<void> signalProcess(std::int32_t pid, int signal);

// This process's own id.
std::int32_t currentProcessId();

}  // namespace lopewell
