#include "core/monitoring/memory_stats.h"

namespace lopewell {

double MemoryStats::pressureRatio() const
{
    return total == 0 ? 0.0 : double(used()) / double(total);
}

MemoryStats::PressureLevel MemoryStats::pressureLevel() const
{
    const double ratio = pressureRatio();
    if (total == 0 || ratio < 0.65)
        return PressureLevel::low;
    if (ratio < 0.82)
        return PressureLevel::moderate;
    return PressureLevel::high;
}

}  // namespace lopewell
