// The Startup section on a macOS tree: the launchd scanner and the launch agent controller
// behind the sources interface, with the texts of a Mac.
#pragma once

#include "app/startup/launch_agent_controller.h"
#include "app/startup/startup_scanner.h"
#include "app/startup/startup_sources.h"

namespace lopewell {

inline constexpr std::string_view loginItemsSettingsURL = "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";

class LaunchdStartupSources final : public StartupSources {
public:
    LaunchdStartupSources(StartupScanner scanner, LaunchAgentController controller);

    std::vector<StartupItem> scan(bool includeSystem) const override { return m_scanner.scan(includeSystem); }
    ErrorOr<void> disable(const StartupItem& item) const override { return m_controller.disable(item); }
    ErrorOr<void> enable(const StartupItem& item) const override { return m_controller.enable(item); }
    std::vector<StartupLayer> layers(bool includeSystem) const override;
    const StartupTexts& texts() const override { return m_texts; }
    std::optional<StartupSettingsLink> settingsLink() const override
    {
        return StartupSettingsLink { std::string(loginItemsSettingsURL), {} };
    }

private:
    StartupScanner m_scanner;
    LaunchAgentController m_controller;
    StartupTexts m_texts;
};

}  // namespace lopewell
