// LeakSanitizer, when the build has it (ASan builds under g++ or clang), and a scope whose
// allocations it never reports: for third-party code that keeps memory for good and is unloaded
// before the leak report, where no suppression can name it.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define LOPEWELL_LEAK_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOPEWELL_LEAK_SANITIZER 1
#endif
#endif

#ifdef LOPEWELL_LEAK_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

namespace lopewell {

// Covers only the calling thread, so keep it around the foreign calls alone.
class ForeignAllocationsScope {
public:
#ifdef LOPEWELL_LEAK_SANITIZER
    ForeignAllocationsScope() { __lsan_disable(); }
    ~ForeignAllocationsScope() { __lsan_enable(); }
#else
    ForeignAllocationsScope() {}  // user-provided: a scope variable is not "unused"
    ~ForeignAllocationsScope() {}
#endif
    ForeignAllocationsScope(const ForeignAllocationsScope&) = delete;
    ForeignAllocationsScope& operator=(const ForeignAllocationsScope&) = delete;
};

}  // namespace lopewell
