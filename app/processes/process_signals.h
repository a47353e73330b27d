// Quitting and force-quitting a process, with the refusals the user sees.
//
//   if (auto sent = sendSignal(ProcessSignal::quit, pid); !sent) showAlert(sent.error().message);
#pragma once

#include <cstdint>
#include <string_view>

#include "core/base/error_or.h"

namespace lopewell {

enum class ProcessSignal { quit, forceQuit };  // SIGTERM, SIGKILL

// "quit" or "force-quit": the verb of the refusal texts.
std::string_view signalVerb(ProcessSignal signal);
int signalNumber(ProcessSignal signal);

// Never signals a pid below 1. The error's message is the exact text the alert shows:
// "kernel_task is the macOS kernel itself — it's not user-killable." for pid < 1,
// "PID <pid> is no longer running." (ESRCH), "Not allowed to <verb> PID <pid> — process is
// owned by a different user." (EPERM), "Couldn't <verb> PID <pid> (errno <n>)." otherwise.
ErrorOr<void> sendSignal(ProcessSignal signal, int32_t pid);

}  // namespace lopewell
