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

std::string_view pressureLevelName(MemoryStats::PressureLevel level)
{
    switch (level) {
    case MemoryStats::PressureLevel::low: return "low";
    case MemoryStats::PressureLevel::moderate: return "moderate";
    case MemoryStats::PressureLevel::high: return "high";
    }
    return "low";
}

}  // namespace lopewell
