// Walkers that keep one folder open per level of a deep tree need more descriptors than the
// customary soft limit of 1,024. The hard limit is the system's real ceiling; raising the soft
// limit to it (as the Go runtime does at start-up) costs nothing until descriptors are used.
#pragma once

#include <cstddef>

namespace lopewell {

// Raises this process's soft limit of open files to its hard limit, once; later calls do
// nothing. Returns the soft limit in force afterwards.
size_t raiseOpenFileLimit();

}  // namespace lopewell
