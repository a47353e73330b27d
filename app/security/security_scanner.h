// The security scan: what the flavour's sources observe on the machine, paired with a fixed
// signature list. One threat per family with at least one trace present, in signature order.
//
//   SecurityScanner scanner(signatures, makeSecuritySources(layout));
//   for (const DetectedThreat& threat : scanner.scan(stop)) show(threat);
//
// THREAD-SAFETY: immutable; scan() blocks on files and child processes and may run on any thread.
#pragma once

#include <memory>
#include <stop_token>
#include <vector>

#include "app/security/security_sources.h"
#include "core/security/threat_signature.h"

namespace lopewell {

class SecurityScanner {
public:
    SecurityScanner(std::vector<ThreatSignature> signatures, std::shared_ptr<const SecuritySources> sources);

    const std::vector<ThreatSignature>& signatures() const { return m_signatures; }

    // Never fails; an empty signature list still looks but finds nothing. A stopped scan
    // answers nothing.
    std::vector<DetectedThreat> scan(std::stop_token stop = {}) const;

private:
    std::vector<ThreatSignature> m_signatures;
    std::shared_ptr<const SecuritySources> m_sources;
};

}  // namespace lopewell
