// What the tray readout shows, derived from the controller's published figures: the menu bar
// title and its colour band, and the popover's rows. Pure functions; the screens only draw.
//
//   ReadoutTitle title = readoutTitle(controller.cpuOverall());          // " 50%", low band
//   PopoverContent popover = popoverContent(controller.cpuOverall(),
//                                           controller.cpuPerCore(), controller.memory());
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/monitoring/memory_stats.h"
#include "core/presentation/load_colors.h"

namespace lopewell {

// The menu bar text: rounded percentage, coloured with systemColor(band).
struct ReadoutTitle {
    std::string text;  // " 42%"
    LoadBand band = LoadBand::low;

    bool operator==(const ReadoutTitle&) const = default;
};

ReadoutTitle readoutTitle(double cpuOverall);

struct CoreBar {
    double load = 0;     // 0–1
    double opacity = 0;  // 0.25 + 0.75 × load, filled with the overall load's colour

    bool operator==(const CoreBar&) const = default;
};

struct MemoryRow {
    int64_t percent = 0;      // truncated
    std::string percentText;  // "64%"
    double usedFraction = 0;  // 0–1, the progress bar
    LoadBand band = LoadBand::low;
    std::string caption;  // "10 GB of 16 GB"

    bool operator==(const MemoryRow&) const = default;
};

// The popover's figures; colours are paletteColor(band).
struct PopoverContent {
    static constexpr std::string_view cpuTitle = "CPU";
    static constexpr std::string_view memoryTitle = "Memory";
    static constexpr std::string_view samplingText = "Sampling…";  // while memory is absent
    static constexpr std::string_view openButtonTitle = "Open Lopewell";
    static constexpr std::string_view quitButtonTitle = "Quit";
    static constexpr std::string_view quitShortcut = "Ctrl+Q";

    int64_t cpuPercent = 0;  // truncated, so it can read one less than the menu bar
    std::string cpuPercentText;
    LoadBand cpuBand = LoadBand::low;
    std::vector<CoreBar> cores;
    std::optional<MemoryRow> memory;  // absent: show samplingText

    bool operator==(const PopoverContent&) const = default;
};

PopoverContent popoverContent(double cpuOverall, std::span<const double> perCore, const std::optional<MemoryStats>& memory);

}  // namespace lopewell
