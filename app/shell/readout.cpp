#include "app/shell/readout.h"

#include <cmath>

namespace lopewell {

std::string menuBarReadoutTitle(double cpuOverall)
{
    return " " + std::to_string(std::lround(cpuOverall * 100.0)) + "%";
}

int64_t popoverPercent(double fraction)
{
    return int64_t(std::trunc(fraction * 100.0));
}

double memoryUsedFraction(const MemoryStats& memory)
{
    return memory.total == 0 ? 0.0 : double(memory.used()) / double(memory.total);
}

}  // namespace lopewell
