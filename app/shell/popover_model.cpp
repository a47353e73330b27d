#include "app/shell/popover_model.h"

#include <algorithm>
#include <cmath>

#include "app/shell/readout.h"
#include "core/format/byte_count_formatter.h"

namespace lopewell {

namespace {

// A load outside 0–1 or not a number is a broken reading, not a figure to show.
double unitFraction(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

std::string percentText(int64_t percent)
{
    return std::to_string(percent) + "%";
}

}  // namespace

ReadoutTitle readoutTitle(double cpuOverall)
{
    const double load = unitFraction(cpuOverall);
    return { menuBarReadoutTitle(load), cpuLoadBand(load) };
}

PopoverContent popoverContent(double cpuOverall, std::span<const double> perCore, const std::optional<MemoryStats>& memory)
{
    PopoverContent content;
    const double load = unitFraction(cpuOverall);
    content.cpuPercent = popoverPercent(load);
    content.cpuPercentText = percentText(content.cpuPercent);
    content.cpuBand = cpuLoadBand(load);
    content.cores.reserve(perCore.size());
    for (double core : perCore) {
        const double coreLoad = unitFraction(core);
        content.cores.push_back({ coreLoad, 0.25 + 0.75 * coreLoad });
    }
    if (memory) {
        MemoryRow row;
        // Counters read at different instants can put used above the total; the bar stops full.
        row.usedFraction = unitFraction(memoryUsedFraction(*memory));
        row.percent = popoverPercent(row.usedFraction);
        row.percentText = percentText(row.percent);
        row.band = memoryBand(row.usedFraction);
        row.caption
            = formatByteCount(memory->used(), ByteCountStyle::memory) + " of " + formatByteCount(memory->total, ByteCountStyle::memory);
        content.memory = std::move(row);
    }
    return content;
}

}  // namespace lopewell
