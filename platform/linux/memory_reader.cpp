#include "platform/memory_reader.h"

#include "core/monitoring/proc_parsers.h"
#include "platform/linux/proc_file.h"

namespace lopewell::MemoryReader {

std::optional<MemoryStats> readFrom(const std::filesystem::path& meminfo, const std::filesystem::path& ownStatus)
{
    auto text = readSmallFile(meminfo);
    if (!text)
        return std::nullopt;
    auto stats = parseMeminfo(*text);
    if (!stats)
        return std::nullopt;
    // A failed footprint read leaves the machine's figures intact.
    if (auto status = readSmallFile(ownStatus))
        stats->appResident = parseFootprint(*status).value_or(0);
    return stats;
}

std::optional<MemoryStats> read()
{
    return readFrom("/proc/meminfo", "/proc/self/status");
}

uint64_t appPhysicalFootprint()
{
    auto status = readSmallFile("/proc/self/status");
    return status ? parseFootprint(*status).value_or(0) : 0;
}

}  // namespace lopewell::MemoryReader
