#include "platform/system_counters.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "core/base/text.h"
#include "core/monitoring/proc_parsers.h"
#include "platform/linux/proc_file.h"

namespace lopewell {

namespace {

std::optional<int64_t> readInteger(const std::filesystem::path& path)
{
    auto text = readSmallFile(path);
    if (!text)
        return std::nullopt;
    int64_t value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc())
        return std::nullopt;
    return value;
}

// A thermal zone's trip points change only with the driver, so they are read once; the
// temperature is read on every sample.
struct ThermalZone {
    std::filesystem::path temperaturePath;
    std::vector<ThermalTrip> trips;
};

std::vector<ThermalZone> discoverZones(const std::filesystem::path& thermalClass)
{
    std::vector<ThermalZone> zones;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(thermalClass, error)) {
        if (!entry.path().filename().string().starts_with("thermal_zone"))
            continue;
        ThermalZone zone { entry.path() / "temp", {} };
        for (int index = 0;; ++index) {
            const std::string prefix = "trip_point_" + std::to_string(index) + "_";
            auto temperature = readInteger(entry.path() / (prefix + "temp"));
            auto type = readSmallFile(entry.path() / (prefix + "type"));
            if (!temperature || !type)
                break;
            zone.trips.push_back({ *temperature, std::string(trimmedEnd(*type, " \n")) });
        }
        if (!zone.trips.empty())
            zones.push_back(std::move(zone));
    }
    return zones;
}

ThermalState worstState(const std::vector<ThermalZone>& zones)
{
    ThermalState worst = ThermalState::nominal;
    for (const ThermalZone& zone : zones) {
        if (auto temperature = readInteger(zone.temperaturePath))
            worst = std::max(worst, thermalStateForZone(*temperature, zone.trips));
    }
    return worst;
}

}  // namespace

ThermalState readThermalState(const std::filesystem::path& thermalClass)
{
    return worstState(discoverZones(thermalClass));
}

CPUSampler::Sources cpuSourcesAt(std::filesystem::path procStat, std::filesystem::path thermalClass)
{
    auto stat = std::make_shared<ProcFile>(std::move(procStat));
    auto zones = std::make_shared<std::vector<ThermalZone>>(discoverZones(thermalClass));
    return CPUSampler::Sources {
        .readTicks = [stat]() -> std::optional<std::vector<CPUTicks>> {
            auto text = stat->read();
            if (!text)
                return std::nullopt;
            return parseProcStat(*text);
        },
        .readThermalState = [zones] { return worstState(*zones); },
    };
}

CPUSampler::Sources systemCPUSources()
{
    return cpuSourcesAt("/proc/stat", "/sys/class/thermal");
}

}  // namespace lopewell
