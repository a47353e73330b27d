#include "app/security/linux_security_sources.h"

#include <algorithm>

#include "app/apps/app_sources.h"
#include "app/startup/linux_startup_sources.h"
#include "platform/file_read.h"
#include "platform/file_walk.h"
#include "platform/systemctl_client.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

using Kind = ObservedArtifact::Kind;

// Policy files are a few kilobytes; a bigger one is not read.
constexpr uint64_t maxPolicyFileSize = uint64_t(1) << 20;

bool isRemovableLayer(StartupLayer layer)
{
    // The files of these two are the user's own; the others live where only the system writes.
    return layer == StartupLayer::autostartUser || layer == StartupLayer::userService;
}

class LinuxSecuritySources final : public SecuritySources {
public:
    explicit LinuxSecuritySources(const HostLayout& layout)
        : m_layout(layout)
        , m_apps(appSourcesFor(layout))
        , m_startup(LinuxStartupSources::systemEnvironment(layout))
        , m_systemctl(layout.system("/usr/bin/systemctl"))
    {
    }

    std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>& signatures, std::stop_token stop) const override
    {
        std::vector<ObservedArtifact> artifacts;
        for (const InstalledApp& app : m_apps->scanApps(stop)) {
            // A package, a Flatpak or a Snap goes only through its own tool.
            const bool removable
                = (app.source == AppSource::appImage || app.source == AppSource::local) && SecurityPaths::isUnderHome(m_layout, app.url);
            artifacts.push_back(
                { .kind = Kind::app, .identifier = app.bundleID, .path = app.url.string(), .isUserControllable = removable });
            if (app.desktop && !app.desktop->packageName.empty() && app.desktop->packageName != app.bundleID)
                artifacts.push_back(
                    { .kind = Kind::app, .identifier = app.desktop->packageName, .path = app.url.string(), .isUserControllable = false });
        }
        if (stop.stop_requested())
            return {};
        for (const StartupItem& item : m_startup.scan(true)) {
            artifacts.push_back({ .kind = item.layer == StartupLayer::systemService ? Kind::launchDaemon : Kind::launchAgent,
                .identifier = item.label,
                .path = item.plistPath.empty() ? std::nullopt : std::optional(item.plistPath.string()),
                .isUserControllable = isRemovableLayer(item.layer) && !item.plistPath.empty() });
        }
        if (stop.stop_requested())
            return {};
        auto policies = browserPolicyArtifacts(m_layout);
        artifacts.insert(artifacts.end(), std::make_move_iterator(policies.begin()), std::make_move_iterator(policies.end()));
        auto files = SecurityPaths::literalPathArtifacts(
            signatures, m_layout, [this](const fs::path& path) { return SecurityPaths::isUnderHome(m_layout, path); });
        artifacts.insert(artifacts.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
        return artifacts;
    }

    void unload(const std::vector<ObservedArtifact>& artifacts) const override
    {
        std::vector<const ObservedArtifact*> agents;
        for (const ObservedArtifact& artifact : artifacts) {
            if (artifact.kind == Kind::launchAgent && artifact.isUserControllable && artifact.path)
                agents.push_back(&artifact);
        }
        if (agents.empty())
            return;
        // Switched off the way the Startup section does it, from what is there now.
        const std::vector<StartupItem> items = m_startup.scan(false);
        for (const ObservedArtifact* agent : agents) {
            auto item = std::find_if(items.begin(), items.end(), [&](const StartupItem& each) {
                return isRemovableLayer(each.layer) && each.label == agent->identifier && each.plistPath == *agent->path;
            });
            if (item == items.end())
                continue;
            if (item->runState != RunState::disabled())
                (void)m_startup.disable(*item);
            // Disabling keeps a running miner running until logout; bootout stops it on macOS.
            if (item->layer == StartupLayer::userService)
                (void)m_systemctl.change(SystemctlClient::Scope::user, "stop", item->label);
        }
    }

    std::string homePath() const override { return m_layout.home().string(); }

private:
    HostLayout m_layout;
    std::shared_ptr<const AppSources> m_apps;
    LinuxStartupSources m_startup;
    SystemctlClient m_systemctl;
};

}  // namespace

std::vector<BrowserPolicyLocation> browserPolicyLocations()
{
    using F = BrowserPolicyFormat;
    return {
        { "/etc/opt/chrome/policies/managed", true, F::chrome },
        { "/etc/opt/chrome/policies/recommended", true, F::chrome },
        { "/etc/chromium/policies/managed", true, F::chrome },
        { "/etc/chromium/policies/recommended", true, F::chrome },
        { "/etc/firefox/policies/policies.json", false, F::firefox },
        { "/usr/lib/firefox-esr/distribution/policies.json", false, F::firefox },
    };
}

std::vector<ObservedArtifact> browserPolicyArtifacts(const HostLayout& layout)
{
    std::vector<ObservedArtifact> artifacts;
    const auto add = [&](const fs::path& file, BrowserPolicyFormat format) {
        // The browsers follow links here, and so does reading; nothing is ever written.
        const std::optional<std::string> text = readRegularFileContents(file, maxPolicyFileSize, SymlinkPolicy::follow);
        if (!text)
            return;
        for (std::string& identifier : browserPolicyIdentifiers(format, *text))
            artifacts.push_back(
                { .kind = Kind::profile, .identifier = std::move(identifier), .path = file.string(), .isUserControllable = false });
    };
    for (const BrowserPolicyLocation& location : browserPolicyLocations()) {
        const fs::path onDisk = layout.system(location.path);
        if (!location.isFolder) {
            add(onDisk, location.format);
            continue;
        }
        auto entries = listFolder(onDisk);
        if (!entries)
            continue;
        std::vector<std::string> names;
        for (const FileEntry& entry : entries.value()) {
            if (entry.name.ends_with(".json") && !entry.isFolder())
                names.push_back(entry.name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            add(onDisk / name, location.format);
    }
    return artifacts;
}

std::shared_ptr<const SecuritySources> makeLinuxSecuritySources(const HostLayout& layout, SecuritySourceOptions)
{
    return std::make_shared<LinuxSecuritySources>(layout);
}

}  // namespace lopewell
