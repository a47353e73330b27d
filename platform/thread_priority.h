// Background scans yield to the user's own work: the calling thread drops to a lower CPU
// priority and the lowest best-effort I/O priority, so a deep walk of a home folder does not
// make the desktop stutter.
//
//   Stream<Progress>::start([](StreamProducer<Progress>& out) {
//       lowerCurrentThreadPriority();
//       ...
//   });
#pragma once

namespace lopewell {

// Affects only the calling thread. Best effort: a refusal leaves the priority as it was.
void lowerCurrentThreadPriority();

}  // namespace lopewell
