#include "app/startup/startup_scanner.h"

#include <set>

#include "core/launchd/startup_item_classifier.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"
#include "platform/property_list.h"

namespace lopewell {

namespace fs = std::filesystem;
namespace C = StartupItemClassifier;

namespace {

// The children of `folder` named "<something>.plist", in listing order.
std::vector<std::string> plistNames(const fs::path& folder)
{
    std::vector<std::string> names;
    auto entries = listFolder(folder);
    if (!entries)
        return names;
    for (const FileEntry& entry : entries.value()) {
        const fs::path name(entry.name);
        if (name.extension() == ".plist" && name.stem() != "")
            names.push_back(entry.name);
    }
    return names;
}

}  // namespace

fs::path disabledLaunchAgentsFolder(const HostLayout& layout)
{
    return layout.home("Library/Application Support/Lopewell/DisabledLaunchAgents");
}

StartupScanner::StartupScanner(HostLayout layout, LaunchctlClient launchctl, fs::path disabledDir)
    : m_layout(std::move(layout))
    , m_launchctl(std::move(launchctl))
    , m_disabledDir(std::move(disabledDir))
{
}

StartupScanner StartupScanner::forLayout(const HostLayout& layout)
{
    return StartupScanner(layout, LaunchctlClient(layout.launchctlPath()), disabledLaunchAgentsFolder(layout));
}

std::optional<std::string> StartupScanner::teamIdentifier(const std::string&) const
{
    return std::nullopt;
}

std::vector<StartupItem> StartupScanner::scan(bool includeApple) const
{
    const auto loaded = m_launchctl.loadedJobs();
    const auto fileExists = [this](const std::string& path) { return fileTypeAt(m_layout.system(path), SymlinkPolicy::follow).hasValue(); };

    std::vector<StartupItem> items;
    std::set<std::string, std::less<>> taken;
    // One plist into an item: layer and state decided by the caller.
    auto add = [&](const fs::path& file, StartupLayer layer, const std::optional<RunState>& fixedState) {
        // A link planted in one of these folders is not followed out of it.
        auto plist = readPropertyListFile(file, SymlinkPolicy::refuse);
        if (!plist || !plist.value().isDictionary())
            return;
        const PropertyList& dictionary = plist.value();
        StartupItem item;
        item.label = C::label(dictionary, file.filename().string());
        item.layer = layer;
        item.plistPath = file;
        item.programPath = C::programPath(dictionary);
        item.runAtLoad = C::flag("RunAtLoad", dictionary);
        item.keepAlive = C::flag("KeepAlive", dictionary);
        if (fixedState) {
            item.runState = *fixedState;
        } else if (auto job = loaded.find(item.label); job == loaded.end()) {
            item.runState = RunState::notLoaded();
        } else {
            item.runState = job->second.pid ? RunState::running(*job->second.pid) : RunState::loaded();
        }
        if (item.programPath) {
            const auto application = C::ownerName(item.programPath);
            const auto team = teamIdentifier(*item.programPath);
            if (application && team)
                item.owner = *application + " \u00B7 " + *team;
            else if (application)
                item.owner = application;
            else
                item.owner = team;
        }
        item.isOrphaned = C::isOrphaned(item.programPath, fileExists);
        item.id = startupItemId(layer, item.label);
        if (!taken.insert(item.id).second)
            return;
        items.push_back(std::move(item));
    };

    struct Folder {
        std::string systemPath;  // as the classifier sees it
        fs::path onDisk;
    };
    std::vector<Folder> folders {
        { m_layout.home("Library/LaunchAgents").string(), m_layout.home("Library/LaunchAgents") },
        { "/Library/LaunchAgents", m_layout.system("/Library/LaunchAgents") },
        { "/Library/LaunchDaemons", m_layout.system("/Library/LaunchDaemons") },
    };
    if (includeApple) {
        folders.push_back({ "/System/Library/LaunchAgents", m_layout.system("/System/Library/LaunchAgents") });
        folders.push_back({ "/System/Library/LaunchDaemons", m_layout.system("/System/Library/LaunchDaemons") });
    }
    for (const Folder& folder : folders) {
        const auto layer = C::classify(folder.systemPath);
        if (!layer)
            continue;
        for (const std::string& name : plistNames(folder.onDisk))
            add(folder.onDisk / name, *layer, std::nullopt);
    }
    for (const std::string& name : plistNames(m_disabledDir))
        add(m_disabledDir / name, StartupLayer::userAgent, RunState::disabled());
    return items;
}

}  // namespace lopewell
