#include "app/startup/launch_agent_controller.h"

#include <cerrno>

#include "platform/file_replace.h"
#include "platform/file_status.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

bool somethingAt(const fs::path& path)
{
    return fileTypeAt(path, SymlinkPolicy::refuse).hasValue();
}

}  // namespace

std::string fileMissingText(const fs::path& file)
{
    return "The item's file is missing: " + file.filename().string() + ".";
}

LaunchAgentController::LaunchAgentController(LaunchctlClient launchctl, Folders folders, uint32_t uid, TrashFunction moveToTrash)
    : m_launchctl(std::move(launchctl))
    , m_folders(std::move(folders))
    , m_uid(uid)
    , m_moveToTrash(std::move(moveToTrash))
{
}

LaunchAgentController LaunchAgentController::forLayout(const HostLayout& layout)
{
    return LaunchAgentController(LaunchctlClient(layout.launchctlPath()),
        { layout.home("Library/LaunchAgents"), layout.home("Library/Application Support/Lopewell/DisabledLaunchAgents") }, layout.uid());
}

ErrorOr<void> LaunchAgentController::checkControllable(const StartupItem& item) const
{
    if (item.layer != StartupLayer::userAgent)
        return Error { 0, std::string(notControllableText) };
    if (!somethingAt(item.plistPath))
        return Error { ENOENT, fileMissingText(item.plistPath) };
    return {};
}

ErrorOr<void> LaunchAgentController::moveReplacing(const fs::path& from, const fs::path& to) const
{
    // What sits at the destination is an older copy of the same job; it goes to the Trash, as
    // everything this program removes does.
    if (somethingAt(to)) {
        const TrashService::Outcome outcome = m_moveToTrash({ to.string() });
        if (outcome.failedCount > 0)
            return Error { 0,
                "Cannot move the older " + to.filename().string() + " out of the way: " + outcome.error.value_or("unknown error") };
    }
    return moveWithoutReplacing(from, to);
}

ErrorOr<void> LaunchAgentController::disable(const StartupItem& item) const
{
    if (auto refused = checkControllable(item); !refused)
        return refused;
    if (auto failed = m_launchctl.bootout(item.label, m_uid))
        return Error { 0, failed->description() };
    auto moved = createFolders(m_folders.disabledDir);
    if (moved)
        moved = moveReplacing(item.plistPath, m_folders.disabledDir / item.plistPath.filename());
    if (!moved) {
        // The agent must not stay unloaded while its file says it is active.
        (void)m_launchctl.bootstrap(item.plistPath, m_uid);
        return moved;
    }
    return {};
}

ErrorOr<void> LaunchAgentController::enable(const StartupItem& item) const
{
    if (auto refused = checkControllable(item); !refused)
        return refused;
    if (auto created = createFolders(m_folders.userAgentsDir, 0755); !created)
        return created;
    const fs::path destination = m_folders.userAgentsDir / item.plistPath.filename();
    if (auto moved = moveReplacing(item.plistPath, destination); !moved)
        return moved;
    (void)m_launchctl.bootstrap(destination, m_uid);
    return {};
}

}  // namespace lopewell
