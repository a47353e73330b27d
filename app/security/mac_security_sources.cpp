#include "app/security/mac_security_sources.h"

#include "app/apps/app_sources.h"
#include "app/security/profiles_output.h"
#include "app/startup/startup_scanner.h"
#include "platform/child_process.h"
#include "platform/launchctl_client.h"

namespace lopewell {

namespace {

using Kind = ObservedArtifact::Kind;

class MacSecuritySources final : public SecuritySources {
public:
    MacSecuritySources(const HostLayout& layout, SecuritySourceOptions options)
        : m_layout(layout)
        , m_options(options)
        , m_apps(appSourcesFor(layout))
        , m_startup(StartupScanner::forLayout(layout))
        , m_launchctl(layout.launchctlPath())
    {
    }

    std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>& signatures, std::stop_token stop) const override
    {
        std::vector<ObservedArtifact> artifacts;
        for (const InstalledApp& app : m_apps->scanApps(stop)) {
            artifacts.push_back({ .kind = Kind::app,
                .identifier = app.bundleID,
                .path = app.url.string(),
                .isUserControllable = SecurityPaths::isUserControllableOnMac(m_layout, app.url) });
        }
        if (stop.stop_requested())
            return {};
        // Apple's own folders are never looked at; the agents the user disabled are.
        for (const StartupItem& item : m_startup.scan(false)) {
            artifacts.push_back({ .kind = item.layer == StartupLayer::libraryDaemon ? Kind::launchDaemon : Kind::launchAgent,
                .identifier = item.label,
                .path = item.plistPath.string(),
                .isUserControllable = item.layer == StartupLayer::userAgent });
        }
        if (stop.stop_requested())
            return {};
        for (std::string& identifier : installedProfileIdentifiers(m_layout.profilesPath(), m_options.profilesTimeLimit, stop))
            artifacts.push_back(
                { .kind = Kind::profile, .identifier = std::move(identifier), .path = std::nullopt, .isUserControllable = false });
        if (stop.stop_requested())
            return {};
        auto files = SecurityPaths::literalPathArtifacts(signatures, m_layout,
            [this](const std::filesystem::path& path) { return SecurityPaths::isUserControllableOnMac(m_layout, path); });
        artifacts.insert(artifacts.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
        return artifacts;
    }

    void unload(const std::vector<ObservedArtifact>& artifacts) const override
    {
        for (const ObservedArtifact& artifact : artifacts) {
            // A disabled agent is not loaded, so its bootout fails; that changes nothing.
            if (artifact.kind == Kind::launchAgent && artifact.isUserControllable)
                (void)m_launchctl.bootout(artifact.identifier, m_layout.uid());
        }
    }

    std::string homePath() const override { return m_layout.home().string(); }

private:
    HostLayout m_layout;
    SecuritySourceOptions m_options;
    std::shared_ptr<const AppSources> m_apps;
    StartupScanner m_startup;
    LaunchctlClient m_launchctl;
};

}  // namespace

std::vector<std::string> installedProfileIdentifiers(
    const std::filesystem::path& tool, std::chrono::milliseconds timeLimit, std::stop_token stop)
{
    ChildCommand command(tool, { "show", "-type", "configuration" });
    command.timeLimit = timeLimit;
    command.outputLimit = size_t(4) << 20;
    ErrorOr<ChildProcess> started = ChildProcess::start(command);
    if (!started)
        return {};
    ChildProcess& child = started.value();
    while (child.pump(std::chrono::milliseconds(100))) {
        // Leaving kills and reaps the tool.
        if (stop.stop_requested())
            return {};
    }
    const ChildResult result = child.finish();
    // Killed at its limit: what it printed so far may end mid-identifier.
    if (result.exit.timedOut)
        return {};
    return parseProfileIdentifiers(result.out);
}

std::shared_ptr<const SecuritySources> makeMacSecuritySources(const HostLayout& layout, SecuritySourceOptions options)
{
    return std::make_shared<MacSecuritySources>(layout, options);
}

}  // namespace lopewell
