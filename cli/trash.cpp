#include "cli/trash.h"

#include <vector>

#include "cli/arguments.h"
#include "cli/usage.h"
#include "core/base/file_url.h"
#include "core/trash/trash_failure_alert.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

// Paths and error texts come from the file system: control characters would let a file name
// rewrite the terminal, so they are shown as "?".
std::string terminalSafe(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        result += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return result;
}

}  // namespace

nlohmann::ordered_json trashOutcomeJson(const TrashService::Outcome& outcome)
{
    nlohmann::ordered_json json;
    json["movedURLs"] = nlohmann::ordered_json::array();
    for (const fs::path& moved : outcome.movedURLs)
        json["movedURLs"].push_back(fileURLString(moved));
    json["movedCount"] = outcome.movedCount;
    json["failedCount"] = outcome.failedCount;
    json["error"] = outcome.error ? nlohmann::ordered_json(*outcome.error) : nlohmann::ordered_json(nullptr);
    return json;
}

int runTrash(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    bool json = false;
    bool endOfOptions = false;
    std::vector<fs::path> paths;
    for (std::string_view argument : arguments) {
        if (!endOfOptions && argument == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && argument == "--json") {
            json = true;
        } else if (!endOfOptions && argument.starts_with("--")) {
            err << "lopewell trash: unknown option '" << argument << "'\n\n" << usageText();
            return kExitUsage;
        } else if (argument.empty()) {
            err << "lopewell trash: an empty path names no file\n";
            return kExitUsage;
        } else {
            // Absolute and normal, so the outcome names each item the way a file URL can.
            paths.push_back(TrashService::normalise(fs::path(argument)));
        }
    }
    if (paths.empty()) {
        err << "lopewell trash: missing PATH\n\n" << usageText();
        return kExitUsage;
    }

    const TrashService::Outcome outcome = TrashService::moveToTrash(paths);
    if (json) {
        // Paths are bytes; an error text naming one may not be UTF-8.
        out << trashOutcomeJson(outcome).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    } else {
        for (const fs::path& path : paths)
            out << (outcome.movedURLs.contains(path) ? "moved   " : "failed  ") << terminalSafe(path.native()) << "\n";
        out << outcome.movedCount << " moved, " << outcome.failedCount << " failed\n";
    }
    std::optional<std::string> errorText;
    if (outcome.error)
        errorText = terminalSafe(*outcome.error);
    if (auto alert = TrashFailureAlert::make(outcome.failedCount, errorText)) {
        err << alert->title << "\n" << alert->message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace lopewell::cli
