// The Startup section on the Linux desktop: XDG autostart entries of the user and of the system
// (merged by file name, the user's file winning), the systemd user units that start at login,
// and, when asked, the system's services (read only). Switching off never deletes an entry:
// the user's own entry gets Hidden=true with its old values kept, a system entry gets a user
// override that enabling moves to the Trash, a unit the user wrote is disabled and one shipped
// with the system is masked.
//
//   LinuxStartupSources sources(LinuxStartupSources::systemEnvironment(layout));
//   for (const StartupItem& item : sources.scan(false)) show(item);
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/startup/startup_sources.h"
#include "platform/host_layout.h"
#include "platform/process_list.h"
#include "platform/systemctl_client.h"
#include "platform/trash_service.h"

namespace lopewell {

inline constexpr std::string_view notForThisDesktopNote = "Not for this desktop";
inline constexpr std::string_view mayComeBackNote = "May be turned on again by the application";

class LinuxStartupSources final : public StartupSources {
public:
    struct Environment {
        HostLayout layout;
        std::vector<std::string> currentDesktops {};         // XDG_CURRENT_DESKTOP
        std::vector<std::string> configDirs { "/etc/xdg" };  // XDG_CONFIG_DIRS, as the system sees them
        std::vector<std::string> searchPath {};              // PATH, for programs named without a folder
        std::function<std::vector<ProcessEntry>()> processes {};
        std::function<TrashService::Outcome(const std::vector<std::string>&)> moveToTrash = TrashService::moveToTrash;
    };

    // This session's variables, /proc and the desktop's Trash.
    static Environment systemEnvironment(const HostLayout& layout);

    explicit LinuxStartupSources(Environment environment);

    std::vector<StartupItem> scan(bool includeSystem) const override;
    ErrorOr<void> disable(const StartupItem& item) const override;
    ErrorOr<void> enable(const StartupItem& item) const override;
    std::vector<StartupLayer> layers(bool includeSystem) const override;
    const StartupTexts& texts() const override { return m_texts; }
    std::optional<StartupSettingsLink> settingsLink() const override;

private:
    struct AutostartFile;

    std::vector<AutostartFile> autostartFiles() const;
    void addAutostartItems(std::vector<StartupItem>& items) const;
    void addUnitItems(std::vector<StartupItem>& items, SystemctlClient::Scope scope) const;
    std::filesystem::path userAutostartDir() const;
    // The program as the system sees it: absolute, or found in the search path.
    std::optional<std::string> findProgram(const std::string& program) const;

    std::set<std::string, std::less<>> switchedOffEntries() const;
    void rememberSwitchedOff(const std::string& name, bool off) const;
    std::filesystem::path recordFile() const;

    ErrorOr<void> switchAutostart(const StartupItem& item, bool on) const;
    ErrorOr<void> switchUnit(const StartupItem& item, bool on) const;

    Environment m_environment;
    SystemctlClient m_systemctl;
    StartupTexts m_texts;
};

}  // namespace lopewell
