// Moves one detected threat's removable items to the Trash: the user's own startup jobs among
// them are stopped first (a failure there changes nothing), then every removable artifact's
// file goes to the Trash in one call, in artifact order, each file once. What is not removable stays: system
// jobs, apps outside the user's reach, profiles and policies. A symbolic link is trashed as
// itself, never its target.
//
//   ThreatRemover remover(sources);
//   TrashService::Outcome outcome = remover.remove(threat);
//
// THREAD-SAFETY: immutable; remove() blocks on child processes and file moves.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/security/security_sources.h"
#include "platform/trash_service.h"

namespace lopewell {

class ThreatRemover {
public:
    using TrashFunction = std::function<TrashService::Outcome(const std::vector<std::string>&)>;

    explicit ThreatRemover(std::shared_ptr<const SecuritySources> sources, TrashFunction moveToTrash = TrashService::moveToTrash);

    // One Trash call, made even when nothing is removable (with no paths).
    TrashService::Outcome remove(const DetectedThreat& threat) const;

    // The paths remove() hands to the Trash, in artifact order: each once, and none that lies
    // inside another that goes too.
    static std::vector<std::string> trashPaths(const DetectedThreat& threat);

private:
    std::shared_ptr<const SecuritySources> m_sources;
    TrashFunction m_moveToTrash;
};

}  // namespace lopewell
