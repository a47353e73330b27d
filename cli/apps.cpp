#include "cli/apps.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/apps/apps_view_model.h"
#include "cli/arguments.h"
#include "cli/run_loop.h"
#include "cli/terminal.h"
#include "core/concurrency/executor.h"
#include "core/format/byte_count_formatter.h"
#include "core/trash/trash_failure_alert.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

template <typename Json>
std::string dumpJson(const Json& json)
{
    return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

constexpr OptionSpec listOptions[] = {
    { "source", "RAW", "only apps of this source (apple, appStore, other; package, flatpak, snap, appImage, local)" },
    { "filter", "TEXT", "only apps whose name or id contains TEXT" },
    { "json", "", "JSON instead of text" },
};
constexpr VerbSpec listVerb { "apps", "[--source RAW] [--filter TEXT] [--json]",
    "The installed applications with version, size and source, sorted by name.", listOptions };
constexpr OptionSpec jsonOption[] = { { "json", "", "JSON instead of text" } };
constexpr VerbSpec leftoversVerb { "apps leftovers", "APP [--json]",
    "The application and every file it left behind; APP is a bundle, a desktop-file id, a .desktop file or an AppImage.", jsonOption,
    true };
constexpr OptionSpec uninstallOptions[] = { { "yes", "", "without asking" } };
constexpr VerbSpec uninstallVerb { "apps uninstall", "APP [--yes]",
    "Removes the application and the leftovers found for certain, after asking; guessed ones stay.", uninstallOptions, true };
constexpr const VerbSpec* appsVerbs[] = { &listVerb, &leftoversVerb, &uninstallVerb };

int list(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(listVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    AppsViewModel model(AppsViewModel::systemEnvironment(loop, layout, {}));
    if (auto source = options.values.find("source"); source != options.values.end()) {
        std::optional<AppSource> chosen = fromRawValue<AppSource>(source->second);
        std::string known;
        for (const AppsViewModel::SourceChip& chip : model.chips()) {
            if (chip.source)
                known += std::string(known.empty() ? "" : ", ") + std::string(rawValue(*chip.source));
        }
        const std::vector<AppsViewModel::SourceChip> chips = model.chips();
        if (!chosen || std::none_of(chips.begin(), chips.end(), [&](const auto& chip) { return chip.source == chosen; }))
            return valueError(err, listVerb.name, "unknown source '" + terminalSafe(source->second) + "' (one of: " + known + ")");
        model.setFilterSource(chosen);
    }
    if (auto filter = options.values.find("filter"); filter != options.values.end())
        model.setSearchText(filter->second);
    {
        ProgressLine progress(err);
        progress.show(std::string(model.words().appsScanningText));
        runUntil(loop, model, [&] { model.refresh(); }, [&] { return !model.isScanning(); });
    }
    const std::vector<InstalledApp> apps = model.filteredApps();
    if (options.has("json")) {
        auto json = nlohmann::json::array();
        for (const InstalledApp& app : apps)
            json.push_back(encodeInstalledApp(app));
        out << dumpJson(json) << "\n";
        return 0;
    }
    for (const InstalledApp& app : apps) {
        const AppsViewModel::Row row = AppsViewModel::row(app);
        out << terminalSafe(row.name) << "  " << terminalSafe(row.version) << "  " << row.source << "  " << row.size << "  "
            << terminalSafe(app.url.native()) << "\n";
    }
    out << model.summaryText() << "\n";
    return 0;
}

// The leftover scan of the word given as APP: a path when something is there, else an id.
std::variant<AppLeftoverResult, int> scanLeftovers(
    const VerbSpec& verb, const ParsedOptions& options, RunLoopExecutor& loop, AppsViewModel& model, std::ostream& err)
{
    if (options.words.size() != 1)
        return usageError(err, verb.name, options.words.empty() ? "missing APP" : "give one APP");
    fs::path target = options.words.front();
    std::error_code error;
    if (fs::symlink_status(target, error).type() != fs::file_type::not_found && !error)
        target = fs::absolute(target).lexically_normal();
    {
        ProgressLine progress(err);
        progress.show(std::string(uninstallerScanningText));
        runUntil(loop, model, [&] { model.inspect(target); }, [&] { return !model.uninstallerScanning(); });
    }
    if (!model.inspectorTarget()) {
        err << unreadableAppTitle << "\n" << terminalSafe(model.uninstallerError().value_or("")) << "\n";
        return 1;
    }
    return *model.inspectorTarget();
}

void printResult(const AppLeftoverResult& result, std::ostream& out)
{
    const std::set<std::string> chosen = result.preselected();
    for (const StorageItem& item : AppsViewModel::inspectorItems(result)) {
        out << (chosen.contains(item.path) ? "  [x] " : "  [ ] ") << formatByteCount(item.size, ByteCountStyle::file) << "  "
            << terminalSafe(item.path);
        if (auto match = result.nameMatches.find(item.path); match != result.nameMatches.end())
            out << "  (" << terminalSafe(match->second) << ")";
        out << "\n";
    }
    out << "Total: " << countText(result.items.size(), "item", "items") << " · " << formatByteCount(result.totalBytes, ByteCountStyle::file)
        << "\n";
    if (!result.removalNote.empty())
        out << terminalSafe(result.removalNote) << "\n";
}

int leftovers(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(leftoversVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    AppsViewModel model(AppsViewModel::systemEnvironment(loop, layout, {}));
    auto scanned = scanLeftovers(leftoversVerb, options, loop, model, err);
    if (const int* done = std::get_if<int>(&scanned))
        return *done;
    const AppLeftoverResult& result = std::get<AppLeftoverResult>(scanned);
    if (options.has("json")) {
        out << dumpJson(encodeAppLeftoverResult(result)) << "\n";
        return 0;
    }
    out << "Uninstall " << terminalSafe(result.appName) << " (" << terminalSafe(result.bundleID) << ")\n";
    printResult(result, out);
    return 0;
}

int uninstall(std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(uninstallVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    AppsViewModel model(AppsViewModel::systemEnvironment(loop, layout, {}));
    auto scanned = scanLeftovers(uninstallVerb, options, loop, model, err);
    if (const int* done = std::get_if<int>(&scanned))
        return *done;
    const AppLeftoverResult result = std::get<AppLeftoverResult>(scanned);
    out << "Uninstall " << terminalSafe(result.appName) << " (" << terminalSafe(result.bundleID) << ")\n";
    printResult(result, out);
    std::vector<StorageItem> chosen;
    const std::set<std::string> preselected = result.preselected();
    for (const StorageItem& item : result.items) {
        if (preselected.contains(item.path))
            chosen.push_back(item);
    }
    out << std::flush;
    const std::string question
        = "Uninstall " + terminalSafe(result.appName) + " and remove " + countText(chosen.size(), "item", "items") + " marked [x]? [y/N] ";
    if (!options.has("yes") && !confirm(in, err, question)) {
        err << "Cancelled; nothing was removed.\n";
        return 1;
    }
    std::optional<RemovalOutcome> outcome;
    loop.post([&] {
        model.uninstall(result, chosen, [&](RemovalOutcome done) {
            outcome = std::move(done);
            loop.stop();
        });
    });
    loop.run();
    out << "Removed " << countText(uint64_t(outcome->movedCount), "item", "items") << "; " << outcome->failedCount << " failed.\n";
    if (auto alert = TrashFailureAlert::make(outcome->failedCount, outcome->error, platformWords(layout.flavour()))) {
        err << alert->title << "\n" << terminalSafe(alert->message) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int runApps(std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (!arguments.empty() && isHelpRequest(arguments.front())) {
        out << groupHelp("apps", "The Apps section: installed applications, their leftovers and uninstalling.", appsVerbs);
        return 0;
    }
    if (!arguments.empty() && arguments.front() == "leftovers")
        return leftovers(arguments.subspan(1), layout, out, err);
    if (!arguments.empty() && arguments.front() == "uninstall")
        return uninstall(arguments.subspan(1), layout, in, out, err);
    return list(arguments, layout, out, err);
}

}  // namespace lopewell::cli
