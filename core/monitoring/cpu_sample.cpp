#include "core/monitoring/cpu_sample.h"

#include <algorithm>
#include <numeric>

namespace lopewell {

std::vector<double> perCoreLoads(std::span<const CPUTicks> previous, std::span<const CPUTicks> current)
{
    const size_t pairs = std::min(previous.size(), current.size());
    std::vector<double> loads;
    loads.reserve(pairs);
    for (size_t i = 0; i < pairs; ++i) {
        // Unsigned 32-bit subtraction: a counter that wrapped still gives its small delta.
        const uint64_t user = uint32_t(current[i].user - previous[i].user);
        const uint64_t system = uint32_t(current[i].system - previous[i].system);
        const uint64_t idle = uint32_t(current[i].idle - previous[i].idle);
        const uint64_t nice = uint32_t(current[i].nice - previous[i].nice);
        const uint64_t busy = user + system + nice;
        const uint64_t total = busy + idle;
        loads.push_back(total > 0 ? double(busy) / double(total) : 0.0);
    }
    return loads;
}

double overallLoad(std::span<const double> perCore)
{
    const double sum = std::accumulate(perCore.begin(), perCore.end(), 0.0);
    return sum / double(std::max<size_t>(perCore.size(), 1));
}

}  // namespace lopewell
