#include "cli/processes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/common/process_sampler.h"
#include "app/processes/process_signals.h"
#include "app/processes/process_table.h"
#include "cli/arguments.h"
#include "cli/terminal.h"
#include "core/base/utf8.h"
#include "core/format/byte_count_formatter.h"
#include "platform/continuous_clock.h"

namespace lopewell::cli {

namespace {

constexpr size_t maxNameWidth = 32;

// Process names are chosen by whoever started the process; a long one is cut to the column,
// between characters.
std::string displayName(std::string_view name)
{
    std::string result = terminalSafe(name);
    if (result.size() > maxNameWidth) {
        size_t cut = 0;
        for (std::string_view rest = result; !rest.empty();) {
            const size_t length = utf8::decodeFront(rest).length;
            if (cut + length > maxNameWidth - 1)
                break;
            cut += length;
            rest.remove_prefix(length);
        }
        result = result.substr(0, cut) + "…";
    }
    return result;
}

// Display columns, counting each character as one.
size_t columns(std::string_view text)
{
    return utf8::codePointCount(text);
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
    std::string text = padded("Name", nameWidth, false) + "  " + padded("PID", 7, true) + "  " + padded("User", userWidth, false) + "  "
        + padded("CPU %", 6, true) + "  " + padded("Memory", 10, true) + "  " + padded("Threads", 7, true) + "\n";
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

namespace {

constexpr OptionSpec psOptions[] = {
    { "interval", "SECONDS", "measure the CPU shares over SECONDS (default 1)" },
    { "sort", "KEY", "cpu, memory, pid, name, user or threads (default cpu)" },
    { "filter", "TEXT", "only the processes whose name or user holds TEXT" },
    { "json", "", "a JSON array instead of the table" },
};
constexpr VerbSpec psVerb { "ps", "[--interval SECONDS] [--sort cpu|memory|pid|name|user|threads] [--filter TEXT] [--json]",
    "The process table, CPU shares measured over the interval.", psOptions };

constexpr OptionSpec killOptions[] = {
    { "force", "", "force it to quit (SIGKILL) instead of asking (SIGTERM)" },
};
constexpr VerbSpec killVerb { "kill", "[--force] PID", "Asks a process to quit, or forces it to.", killOptions, true };

}  // namespace

int runPs(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(psVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    const auto& values = options.values;
    double interval = 1.0;
    if (auto it = values.find("interval"); it != values.end()) {
        auto given = parseSeconds(it->second, "interval");
        if (!given)
            return valueError(err, psVerb.name, given.error().message);
        interval = given.value();
    }
    ProcessSortKey key = ProcessSortKey::cpu;
    if (auto it = values.find("sort"); it != values.end()) {
        auto given = processSortKey(it->second);
        if (!given)
            return valueError(err, psVerb.name, "--sort must be one of cpu, memory, pid, name, user, threads (got '" + it->second + "')");
        key = *given;
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

    if (options.has("json"))
        out << processesJson(rows).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    else
        out << processTableText(rows);
    return 0;
}

int runKill(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(killVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    if (options.words.empty())
        return usageError(err, killVerb.name, "missing PID");
    if (options.words.size() > 1)
        return usageError(err, killVerb.name, "unexpected argument '" + options.words[1] + "'");
    const bool force = options.has("force");
    const std::string_view pidText = options.words.front();
    int32_t pid = 0;
    auto [end, error] = std::from_chars(pidText.data(), pidText.data() + pidText.size(), pid);
    if (pidText.empty() || error != std::errc() || end != pidText.data() + pidText.size())
        return valueError(err, killVerb.name, "PID must be a whole number (got '" + std::string(pidText) + "')");
    auto sent = sendSignal(force ? ProcessSignal::forceQuit : ProcessSignal::quit, pid);
    if (!sent) {
        err << sent.error().message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace lopewell::cli
