#include "platform/memory_reader.h"

#include <memory>
#include <mutex>

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

std::function<std::optional<MemoryStats>()> poller()
{
    return pollerFrom("/proc/meminfo", "/proc/self/status");
}

std::function<std::optional<MemoryStats>()> pollerFrom(std::filesystem::path meminfo, std::filesystem::path ownStatus)
{
    struct Files {
        Files(std::filesystem::path meminfoPath, std::filesystem::path statusPath)
            : meminfo(std::move(meminfoPath))
            , status(std::move(statusPath))
        {
        }
        std::mutex mutex;  // a restarted poll may overlap its predecessor's last read
        ProcFile meminfo;
        ProcFile status;
    };
    auto files = std::make_shared<Files>(std::move(meminfo), std::move(ownStatus));
    return [files]() -> std::optional<MemoryStats> {
        std::lock_guard lock(files->mutex);
        const std::optional<std::string_view> text = files->meminfo.read();
        if (!text)
            return std::nullopt;
        std::optional<MemoryStats> stats = parseMeminfo(*text);
        if (!stats)
            return std::nullopt;
        if (const std::optional<std::string_view> status = files->status.read())
            stats->appResident = parseFootprint(*status).value_or(0);
        return stats;
    };
}

uint64_t appPhysicalFootprint()
{
    auto status = readSmallFile("/proc/self/status");
    return status ? parseFootprint(*status).value_or(0) : 0;
}

}  // namespace lopewell::MemoryReader
