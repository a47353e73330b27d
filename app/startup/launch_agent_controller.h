// Switching the user's own login agents off and on without deleting anything: disabling unloads
// the agent and moves its property list into the program's holding folder; enabling moves it
// back and loads it again. Machine-wide and Apple jobs are refused.
//
//   LaunchAgentController controller = LaunchAgentController::forLayout(layout);
//   if (ErrorOr<void> done = controller.disable(item); !done) show(done.error().message);
//
// THREAD-SAFETY: no state; each call blocks on file moves and on launchctl.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "core/base/error_or.h"
#include "core/startup/startup_item.h"
#include "platform/host_layout.h"
#include "platform/launchctl_client.h"
#include "platform/trash_service.h"

namespace lopewell {

inline constexpr std::string_view notControllableText = "Only your own login items can be changed here.";
// "The item's file is missing: <name>."
std::string fileMissingText(const std::filesystem::path& file);

class LaunchAgentController {
public:
    using TrashFunction = std::function<TrashService::Outcome(const std::vector<std::string>&)>;

    struct Folders {
        std::filesystem::path userAgentsDir;  // <home>/Library/LaunchAgents
        std::filesystem::path disabledDir;    // the holding folder
    };

    // `moveToTrash` takes a file that sits where a moved plist must go.
    LaunchAgentController(LaunchctlClient launchctl, Folders folders, uint32_t uid, TrashFunction moveToTrash = TrashService::moveToTrash);
    static LaunchAgentController forLayout(const HostLayout& layout);

    // bootout, then the plist into the holding folder; a failed move loads the agent again.
    ErrorOr<void> disable(const StartupItem& item) const;
    // The plist back into the user's LaunchAgents folder, then bootstrap, whose failure is not
    // one of enabling: the file is back.
    ErrorOr<void> enable(const StartupItem& item) const;

private:
    ErrorOr<void> checkControllable(const StartupItem& item) const;
    ErrorOr<void> moveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) const;

    LaunchctlClient m_launchctl;
    Folders m_folders;
    uint32_t m_uid;
    TrashFunction m_moveToTrash;
};

}  // namespace lopewell
