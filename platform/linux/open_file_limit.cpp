#include "platform/open_file_limit.h"

#include <mutex>
#include <sys/resource.h>

namespace lopewell {

size_t raiseOpenFileLimit()
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        rlimit limit {};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            (void)setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    return limit.rlim_cur == RLIM_INFINITY ? size_t(1) << 20 : size_t(limit.rlim_cur);
}

}  // namespace lopewell
