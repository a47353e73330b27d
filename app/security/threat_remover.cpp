#include "app/security/threat_remover.h"

namespace lopewell {

ThreatRemover::ThreatRemover(std::shared_ptr<const SecuritySources> sources, TrashFunction moveToTrash)
    : m_sources(std::move(sources))
    , m_moveToTrash(std::move(moveToTrash))
{
}

std::vector<std::string> ThreatRemover::trashPaths(const DetectedThreat& threat)
{
    std::vector<std::string> paths;
    for (const ObservedArtifact& artifact : threat.artifacts) {
        if (artifact.isUserControllable && artifact.path)
            paths.push_back(*artifact.path);
    }
    return paths;
}

TrashService::Outcome ThreatRemover::remove(const DetectedThreat& threat) const
{
    std::vector<ObservedArtifact> removable;
    for (const ObservedArtifact& artifact : threat.artifacts) {
        if (artifact.isUserControllable)
            removable.push_back(artifact);
    }
    m_sources->unload(removable);
    return m_moveToTrash(trashPaths(threat));
}

}  // namespace lopewell
