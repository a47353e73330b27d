#include "cli/status.h"

#include <cstdio>

#include "cli/arguments.h"
#include "core/format/byte_count_formatter.h"
#include "platform/continuous_clock.h"
#include "platform/gpu_info_service.h"
#include "platform/memory_reader.h"
#include "platform/system_counters.h"

namespace lopewell::cli {

StatusReport gatherStatus(Duration interval)
{
    StatusReport report;
    CPUSampler sampler(systemCPUSources());
    (void)sampler.sample();  // the first reading only sets the baseline
    ContinuousClock::shared().sleepFor(interval, {});
    report.cpu = sampler.sample();
    report.memory = MemoryReader::read();
    // Last: a software Vulkan driver spends a fifth of a second of CPU starting up, which
    // would otherwise count in the load just measured.
    report.gpu = GPUInfoService().info();
    return report;
}

nlohmann::ordered_json statusJson(const StatusReport& report)
{
    nlohmann::ordered_json json;
    if (report.cpu) {
        json["cpu"] = {
            { "overall", report.cpu->overallLoad },
            { "perCore", report.cpu->perCoreLoad },
            { "thermalState", rawValue(report.cpu->thermalState) },
        };
    } else {
        json["cpu"] = nullptr;
    }
    if (const auto& m = report.memory) {
        json["memory"] = {
            { "active", m->active },
            { "inactive", m->inactive },
            { "free", m->free },
            { "wired", m->wired },
            { "compressed", m->compressed },
            { "total", m->total },
            { "appResident", m->appResident },
            { "used", m->used() },
            { "pressureRatio", m->pressureRatio() },
            { "pressureLevel", rawValue(m->pressureLevel()) },
        };
    } else {
        json["memory"] = nullptr;
    }
    if (const auto& g = report.gpu) {
        json["gpu"] = {
            { "name", g->name },
            { "family", g->family },
            { "recommendedMaxWorkingSet", g->recommendedMaxWorkingSet },
            { "maxBufferLength", g->maxBufferLength },
            { "maxThreadgroupMemoryLength", g->maxThreadgroupMemoryLength },
            { "maxThreadsPerThreadgroup", g->maxThreadsPerThreadgroup },
            { "unifiedMemory", g->unifiedMemory },
            { "currentAllocated", g->currentAllocated },
            { "supportsRaytracing", g->supportsRaytracing },
            { "supportsFunctionPointers", g->supportsFunctionPointers },
            { "supportsDynamicLibraries", g->supportsDynamicLibraries },
            { "argumentBufferTier", g->argumentBufferTier },
            { "readWriteTextureTier", g->readWriteTextureTier },
        };
    } else {
        json["gpu"] = nullptr;
    }
    return json;
}

namespace {

std::string percent(double fraction)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", fraction * 100.0);
    return text;
}

std::string memoryBytes(uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::memory);
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

}  // namespace

std::string statusText(const StatusReport& report)
{
    std::string text;
    if (const auto& cpu = report.cpu) {
        text += "CPU      " + percent(cpu->overallLoad) + " overall, thermal state " + std::string(rawValue(cpu->thermalState)) + "\n";
        for (size_t i = 0; i < cpu->perCoreLoad.size(); ++i)
            text += "  core " + std::to_string(i) + "  " + percent(cpu->perCoreLoad[i]) + "\n";
    } else {
        text += "CPU      unavailable (the kernel's counters could not be read)\n";
    }
    if (const auto& m = report.memory) {
        text += "Memory   " + memoryBytes(m->used()) + " used of " + memoryBytes(m->total) + " (" + percent(m->pressureRatio())
            + "), pressure " + std::string(rawValue(m->pressureLevel())) + "\n";
        text += "  active " + memoryBytes(m->active) + ", inactive " + memoryBytes(m->inactive) + ", free " + memoryBytes(m->free)
            + ", wired " + memoryBytes(m->wired) + ", compressed " + memoryBytes(m->compressed) + "\n";
        text += "  Lopewell itself " + memoryBytes(m->appResident) + "\n";
    } else {
        text += "Memory   unavailable (the kernel's statistics could not be read)\n";
    }
    if (const auto& g = report.gpu) {
        text += "GPU      " + g->name + " (" + g->family + ")\n";
        text += "  working set " + memoryBytes(g->recommendedMaxWorkingSet) + ", largest buffer "
            + memoryBytes(uint64_t(std::max<int64_t>(g->maxBufferLength, 0))) + ", threadgroup memory "
            + memoryBytes(uint64_t(std::max<int64_t>(g->maxThreadgroupMemoryLength, 0))) + ", "
            + std::to_string(g->maxThreadsPerThreadgroup) + " threads per threadgroup\n";
        text += std::string("  unified memory ") + yesNo(g->unifiedMemory) + ", ray tracing " + yesNo(g->supportsRaytracing)
            + ", function pointers " + yesNo(g->supportsFunctionPointers) + ", dynamic libraries " + yesNo(g->supportsDynamicLibraries)
            + ", argument buffers " + g->argumentBufferTier + ", read-write textures " + g->readWriteTextureTier + "\n";
    } else {
        text += "GPU      none found\n";
    }
    return text;
}

namespace {

constexpr OptionSpec statusOptions[] = {
    { "interval", "SECONDS", "measure the load over SECONDS (default 1)" },
    { "json", "", "one JSON object instead of text" },
};
constexpr VerbSpec statusVerb { "status", "[--interval SECONDS] [--json]",
    "CPU load overall and per core, thermal state, memory and GPU, measured over the interval.", statusOptions };

}  // namespace

int runStatus(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(statusVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    double interval = 1.0;
    if (auto it = options.values.find("interval"); it != options.values.end()) {
        auto given = parseSeconds(it->second, "interval");
        if (!given)
            return valueError(err, statusVerb.name, given.error().message);
        interval = given.value();
    }

    StatusReport report = gatherStatus(seconds(interval));
    if (options.has("json"))
        out << statusJson(report).dump() << "\n";
    else
        out << statusText(report);
    // The figures a status line exists for could not be read: say so in the exit code too.
    return report.cpu && report.memory ? 0 : 1;
}

}  // namespace lopewell::cli
