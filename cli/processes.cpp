#include "cli/processes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/common/process_sampler.h"
#include "app/processes/process_signals.h"
#include "app/processes/process_table.h"
#include "cli/arguments.h"
#include "cli/usage.h"
#include "core/format/byte_count_formatter.h"
#include "platform/continuous_clock.h"

namespace lopewell::cli {

namespace {

constexpr size_t kNameWidth = 32;

// Process names are chosen by whoever started the process: control characters would let one
// rewrite the terminal, so they are shown as "?".
std::string displayName(std::string_view name)
{
    std::string result;
    for (char c : name)
        result += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    if (result.size() > kNameWidth) {
        size_t cut = kNameWidth - 1;
        while (cut > 0 && (static_cast<unsigned char>(result[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 sequence
        result = result.substr(0, cut) + "…";
    }
    return result;
}

// Display columns, counting each UTF-8 sequence as one.
size_t columns(std::string_view text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string padded(std::string text, size_t width, bool right)
{
    const size_t used = columns(text);
    if (used >= width)
        return text;
    const std::string fill(width - used, ' ');
    return right ? fill + text : text + fill;
}

}  // namespace

std::string processTableText(const std::vector<RunningProcess>& rows)
{
    size_t nameWidth = 4;
    size_t userWidth = 4;
    for (const auto& row : rows) {
        nameWidth = std::max(nameWidth, columns(displayName(row.name)));
        userWidth = std::max(userWidth, columns(displayName(row.user)));
    }
    std::string text = padded("Name", nameWidth, false) + "  " + padded("PID", 7, true) + "  " + padded("User", userWidth, false)
        + "  " + padded("CPU %", 6, true) + "  " + padded("Memory", 10, true) + "  " + padded("Threads", 7, true) + "\n";
    for (const auto& row : rows) {
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, "%.1f", row.cpuPercent);
        text += padded(displayName(row.name), nameWidth, false) + "  " + padded(std::to_string(row.pid), 7, true) + "  "
            + padded(displayName(row.user), userWidth, false) + "  " + padded(cpu, 6, true) + "  "
            + padded(formatByteCount(row.memoryBytes, ByteCountStyle::memory), 10, true) + "  "
            + padded(std::to_string(row.threadCount), 7, true) + "\n";
    }
    return text;
}

nlohmann::ordered_json processesJson(const std::vector<RunningProcess>& rows)
{
    auto json = nlohmann::ordered_json::array();
    for (const auto& row : rows) {
        nlohmann::ordered_json item;
        item["pid"] = row.pid;
        item["parentPID"] = row.parentPID;
        // Names and paths are raw kernel bytes; invalid UTF-8 must not abort the dump.
        item["name"] = row.name;
        item["path"] = row.path ? nlohmann::ordered_json(*row.path) : nlohmann::ordered_json(nullptr);
        item["user"] = row.user;
        item["cpuPercent"] = row.cpuPercent;
        item["memoryBytes"] = row.memoryBytes;
        item["threadCount"] = row.threadCount;
        json.push_back(std::move(item));
    }
    return json;
}

int runPs(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    static constexpr OptionSpec specs[] = { { "interval", true }, { "sort", true }, { "filter", true }, { "json", false } };
    auto options = parseOptions(arguments, specs);
    if (!options) {
        err << "lopewell ps: " << options.error().message << "\n\n" << usageText();
        return kExitUsage;
    }
    const auto& values = options.value().values;
    double interval = 1.0;
    if (auto it = values.find("interval"); it != values.end()) {
        auto parsed = parseSeconds(it->second, "interval");
        if (!parsed) {
            err << "lopewell ps: " << parsed.error().message << "\n";
            return kExitUsage;
        }
        interval = parsed.value();
    }
    ProcessSortKey key = ProcessSortKey::cpu;
    if (auto it = values.find("sort"); it != values.end()) {
        auto parsed = processSortKey(it->second);
        if (!parsed) {
            err << "lopewell ps: --sort must be one of cpu, memory, pid, name, user, threads (got '" << it->second << "')\n";
            return kExitUsage;
        }
        key = *parsed;
    }
    std::string filter;
    if (auto it = values.find("filter"); it != values.end())
        filter = it->second;

    ProcessSampler sampler(ProcessSampler::systemSource());
    (void)sampler.sample();  // the baseline the shares are measured from
    ContinuousClock::shared().sleepFor(seconds(interval), {});
    // Numbers and names read best from the top: biggest first, names A to Z.
    const bool ascending = key == ProcessSortKey::name || key == ProcessSortKey::user || key == ProcessSortKey::pid;
    const auto rows = visibleProcesses(sampler.sample(), filter, key, ascending);

    if (options.value().has("json"))
        out << processesJson(rows).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    else
        out << processTableText(rows);
    return 0;
}

int runKill(std::span<const std::string_view> arguments, std::ostream&, std::ostream& err)
{
    bool force = false;
    bool endOfOptions = false;
    std::optional<std::string_view> pidText;
    for (std::string_view argument : arguments) {
        if (!endOfOptions && argument == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && argument == "--force") {
            force = true;
        } else if (!endOfOptions && argument.starts_with("--")) {
            err << "lopewell kill: unknown option '" << argument << "'\n\n" << usageText();
            return kExitUsage;
        } else if (pidText) {
            err << "lopewell kill: unexpected argument '" << argument << "'\n\n" << usageText();
            return kExitUsage;
        } else {
            pidText = argument;
        }
    }
    if (!pidText) {
        err << "lopewell kill: missing PID\n\n" << usageText();
        return kExitUsage;
    }
    int32_t pid = 0;
    auto [end, error] = std::from_chars(pidText->data(), pidText->data() + pidText->size(), pid);
    if (pidText->empty() || error != std::errc() || end != pidText->data() + pidText->size()) {
        err << "lopewell kill: PID must be a whole number (got '" << *pidText << "')\n";
        return kExitUsage;
    }
    auto sent = sendSignal(force ? ProcessSignal::forceQuit : ProcessSignal::quit, pid);
    if (!sent) {
        err << sent.error().message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace lopewell::cli
