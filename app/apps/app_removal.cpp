#include "app/apps/app_removal.h"

#include <algorithm>
#include <set>

#include "app/apps/desktop_apps_scanner.h"
#include "app/apps/desktop_tool_output.h"
#include "core/base/text.h"
#include "platform/file_walk.h"
#include "platform/trash_service.h"

namespace lopewell {

namespace fs = std::filesystem;

// The one place that knows the shape of the Trash's outcome.
std::vector<std::string> pathsOf(const std::vector<StorageItem>& items)
{
    std::vector<std::string> paths;
    paths.reserve(items.size());
    for (const StorageItem& item : items)
        paths.push_back(item.path);
    return paths;
}

TrashFunction desktopTrash()
{
    return [](const std::vector<std::string>& paths) { return TrashService::moveToTrash(paths); };
}

void mergeOutcome(RemovalOutcome& outcome, const RemovalOutcome& more)
{
    outcome.movedPaths.insert(more.movedPaths.begin(), more.movedPaths.end());
    outcome.movedCount = int64_t(outcome.movedPaths.size());
    outcome.failedCount += more.failedCount;
    if (!outcome.error)
        outcome.error = more.error;
}

void markGone(RemovalOutcome& outcome, const std::string& path)
{
    outcome.movedPaths.insert(path);
    outcome.movedCount = int64_t(outcome.movedPaths.size());
}

RemovalOutcome failedOutcome(const std::vector<std::string>& paths, std::string why)
{
    RemovalOutcome outcome;
    outcome.failedCount = int64_t(paths.size());
    outcome.error = std::move(why);
    return outcome;
}

std::optional<ChildCommand> removalCommand(const AppLeftoverResult& result, const HostLayout& layout)
{
    if (!result.app || !result.app->desktop)
        return std::nullopt;
    const DesktopAppOrigin& origin = *result.app->desktop;
    switch (result.removal) {
    case AppRemovalKind::trash:
        return std::nullopt;
    case AppRemovalKind::flatpak:
        // Without --delete-data: that would delete ~/.var/app for good instead of to the Trash.
        return ChildCommand(layout.system("/usr/bin/flatpak"),
            { "uninstall", origin.flatpakInstallation == "user" ? "--user" : "--system", "--noninteractive",
                origin.flatpakRef.empty() ? result.bundleID : origin.flatpakRef });
    case AppRemovalKind::snap:
        return ChildCommand(layout.system("/usr/bin/snap"), { "remove", origin.snapName });
    case AppRemovalKind::package:
        return ChildCommand(layout.system("/usr/bin/pkcon"), { "--plain", "--noninteractive", "remove", origin.packageName });
    }
    return std::nullopt;
}

std::vector<std::string> packagesRemovedWith(const std::string& package, const HostLayout& layout)
{
    if (package.empty())
        return {};
    ChildCommand command(layout.system("/usr/bin/apt-get"), { "-s", "remove", package });
    command.timeLimit = std::chrono::seconds(30);
    command.environment = std::vector<std::string> { "LC_ALL=C", "PATH=/usr/sbin:/usr/bin:/sbin:/bin" };
    ErrorOr<ChildResult> result = runChildProcess(command);
    if (!result || !result.value().exit.succeeded())
        return {};
    std::vector<std::string> packages = parseSimulatedRemoval(result.value().out);
    std::erase(packages, package);
    return packages;
}

namespace {

std::string toolFailure(const ChildCommand& command, const ErrorOr<ChildResult>& result)
{
    const std::string tool = command.executable.filename().string();
    if (!result)
        return tool + " could not be started, so nothing was removed: " + result.error().message;
    const ChildResult& ran = result.value();
    if (ran.exit.timedOut)
        return tool + " did not finish in time, so nothing else was removed.";
    std::string said(trimmed(ran.err.empty() ? ran.out : ran.err));
    if (const size_t last = said.rfind('\n'); last != std::string::npos)
        said = said.substr(last + 1);
    std::string text = tool + " could not remove the app";
    text += ran.exit.signal ? " (ended by signal " + std::to_string(ran.exit.signal) + ")"
                            : " (exit status " + std::to_string(ran.exit.exitCode) + ")";
    if (!said.empty())
        text += ": " + said;
    return text + ". Nothing else was removed.";
}

std::string systemView(const fs::path& path, const HostLayout& layout)
{
    const fs::path relative = path.lexically_relative(layout.systemRoot());
    if (relative.empty() || *relative.begin() == "..")
        return path.native();
    return "/" + relative.native();
}

}  // namespace

RemovalOutcome removeApp(const AppLeftoverResult& result, const std::vector<StorageItem>& chosen, const RemovalTools& tools)
{
    RemovalOutcome outcome;
    std::vector<std::string> rest = pathsOf(chosen);
    const bool appChosen = !result.items.empty() && std::find(rest.begin(), rest.end(), result.items.front().path) != rest.end();
    const bool desktop = result.app && result.app->desktop;
    const std::optional<ChildCommand> tool = removalCommand(result, tools.layout);

    // Nothing a package owns goes to the Trash: only the package manager removes it.
    std::map<std::string, std::string> owned;
    if (desktop) {
        std::vector<std::string> seen;
        seen.reserve(rest.size());
        for (const std::string& path : rest)
            seen.push_back(systemView(path, tools.layout));
        owned = dpkgOwnersOf(tools.layout, seen);
    }
    const auto ownerOf = [&](const fs::path& path) -> std::optional<std::string> {
        auto owner = owned.find(systemView(path, tools.layout));
        if (owner == owned.end())
            return std::nullopt;
        return owner->second;
    };
    const auto ownedText = [](const std::string& path, const std::string& package) {
        return fs::path(path).filename().string() + " belongs to the package " + package + "; only the package manager removes it.";
    };

    if (appChosen && tool) {
        ChildCommand command = *tool;
        command.timeLimit = tools.toolTimeLimit;
        const ErrorOr<ChildResult> ran = runChildProcess(command);
        if (!ran || !ran.value().exit.succeeded())
            return failedOutcome(rest, toolFailure(command, ran));
        std::erase(rest, result.items.front().path);
        markGone(outcome, result.items.front().path);
        // The tool may have taken some of the chosen leftovers with it (snapd removes ~/snap/<name>).
        std::erase_if(rest, [&](const std::string& path) {
            if (entryAt(path))
                return false;
            markGone(outcome, path);
            return true;
        });
    } else if (appChosen && desktop) {
        // The app's own files first: when they stay, its leftovers stay too.
        const std::string app = result.items.front().path;
        if (std::optional<std::string> package = ownerOf(app))
            return failedOutcome(rest, ownedText(app, *package));
        const RemovalOutcome first = tools.moveToTrash({ app });
        if (!first.movedPaths.contains(app))
            return failedOutcome(rest, first.error.value_or("The app could not be moved to the Trash."));
        mergeOutcome(outcome, first);
        std::erase(rest, app);
    }

    std::erase_if(rest, [&](const std::string& path) {
        std::optional<std::string> package = ownerOf(path);
        if (!package)
            return false;
        mergeOutcome(outcome, failedOutcome({ path }, ownedText(path, *package)));
        return true;
    });
    if (!rest.empty())
        mergeOutcome(outcome, tools.moveToTrash(rest));
    return outcome;
}

}  // namespace lopewell
