#include "cli/trash.h"

#include <algorithm>
#include <vector>

#include "cli/arguments.h"
#include "cli/terminal.h"
#include "core/base/file_url.h"
#include "core/trash/trash_failure_alert.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec trashOptions[] = {
    { "json", "", "what was moved as one JSON object" },
};
constexpr VerbSpec trashVerb { "trash", "[--json] PATH...",
    "Moves files and folders to the Trash; what already lies in a Trash is deleted for good.\n"
    "Exit status 1 when anything could not be moved.",
    trashOptions, true };

}  // namespace

nlohmann::ordered_json trashOutcomeJson(const TrashService::Outcome& outcome)
{
    nlohmann::ordered_json json;
    // In path order, component by component, as this output has always listed them.
    std::vector<fs::path> moved(outcome.movedPaths.begin(), outcome.movedPaths.end());
    std::sort(moved.begin(), moved.end());
    json["movedURLs"] = nlohmann::ordered_json::array();
    for (const fs::path& path : moved)
        json["movedURLs"].push_back(fileURLString(path));
    json["movedCount"] = outcome.movedCount;
    json["failedCount"] = outcome.failedCount;
    json["error"] = outcome.error ? nlohmann::ordered_json(*outcome.error) : nlohmann::ordered_json(nullptr);
    return json;
}

int runTrash(std::span<const std::string_view> arguments, const PlatformWords& words, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(trashVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    const bool json = options.has("json");
    std::vector<std::string> paths;
    for (const std::string& argument : options.words) {
        if (argument.empty())
            return valueError(err, trashVerb.name, "an empty path names no file");
        // Absolute and normal, so the outcome names each item the way a file URL can.
        paths.push_back(TrashService::normalise(fs::path(argument)).native());
    }
    if (paths.empty())
        return usageError(err, trashVerb.name, "missing PATH");

    const TrashService::Outcome outcome = TrashService::moveToTrash(paths);
    if (json) {
        // Paths are bytes; an error text naming one may not be UTF-8.
        out << trashOutcomeJson(outcome).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    } else {
        for (const std::string& path : paths)
            out << (outcome.movedPaths.contains(path) ? "moved   " : "failed  ") << terminalSafe(path) << "\n";
        out << outcome.movedCount << " moved, " << outcome.failedCount << " failed\n";
    }
    std::optional<std::string> errorText;
    if (outcome.error)
        errorText = terminalSafe(*outcome.error);
    if (auto alert = TrashFailureAlert::make(outcome.failedCount, errorText, words)) {
        err << alert->title << "\n" << alert->message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace lopewell::cli
