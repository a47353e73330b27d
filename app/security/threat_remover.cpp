#include "app/security/threat_remover.h"

#include <algorithm>
#include <filesystem>

namespace lopewell {

ThreatRemover::ThreatRemover(std::shared_ptr<const SecuritySources> sources, TrashFunction moveToTrash)
    : m_sources(std::move(sources))
    , m_moveToTrash(std::move(moveToTrash))
{
}

namespace {

namespace fs = std::filesystem;

bool isInside(const fs::path& path, const fs::path& folder)
{
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

}  // namespace

std::vector<std::string> ThreatRemover::trashPaths(const DetectedThreat& threat)
{
    std::vector<std::string> candidates;
    for (const ObservedArtifact& artifact : threat.artifacts) {
        if (artifact.isUserControllable && artifact.path)
            candidates.push_back(*artifact.path);
    }
    // An app named both as an app and as a file, or a file inside a folder that goes too, is
    // moved once: asked a second time, the Trash would report a failure for what is already gone.
    std::vector<std::string> paths;
    for (const std::string& candidate : candidates) {
        const fs::path normal = fs::path(candidate).lexically_normal();
        const bool covered = std::any_of(candidates.begin(), candidates.end(),
            [&](const std::string& other) { return isInside(normal, fs::path(other).lexically_normal()); });
        const bool repeated
            = std::any_of(paths.begin(), paths.end(), [&](const std::string& kept) { return fs::path(kept).lexically_normal() == normal; });
        if (!covered && !repeated)
            paths.push_back(candidate);
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
