#include "app/security/security_scanner.h"

#include "core/security/threat_matcher.h"

namespace lopewell {

SecurityScanner::SecurityScanner(std::vector<ThreatSignature> signatures, std::shared_ptr<const SecuritySources> sources)
    : m_signatures(std::move(signatures))
    , m_sources(std::move(sources))
{
}

std::vector<DetectedThreat> SecurityScanner::scan(std::stop_token stop) const
{
    const std::vector<ObservedArtifact> artifacts = m_sources->collect(m_signatures, stop);
    if (stop.stop_requested())
        return {};
    return ThreatMatcher::match(m_signatures, artifacts, m_sources->homePath());
}

}  // namespace lopewell
