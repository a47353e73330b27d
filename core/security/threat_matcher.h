// Pairs what the security scan observed with the signature list: one DetectedThreat per family
// that has at least one trace present, in the order of the list.
//
//   std::vector<DetectedThreat> threats = ThreatMatcher::match(signatures, artifacts, "/home/ada");
//   ThreatMatcher::globMatch("~/Library/LaunchAgents/com.foo.*.plist", path);  // after "~" is expanded
//
// THREAD-SAFETY: every function may run on any thread at the same time.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/security/threat_signature.h"

namespace lopewell::ThreatMatcher {

// Apps by bundleIDs, agents and daemons by agentLabels, profiles by profileIDs (all exact and
// case-sensitive) and files by pathGlobs. A glob that begins with "~" stands for `homePath`
// (without a trailing slash; one is tolerated) followed by the rest; the home part is taken
// literally, so a "*" in the home folder's name is no wildcard. An artifact named by several
// signatures joins each of their threats.
std::vector<DetectedThreat> match(
    const std::vector<ThreatSignature>& signatures, const std::vector<ObservedArtifact>& artifacts, std::string_view homePath);

// Whether `text` matches `pattern` as a whole. A character is a user-perceived one (a grapheme
// cluster: "e" with a combining accent is one, so is "\r\n"); a pattern character that is exactly
// "*" matches any run of characters, none and "/" included; every other character matches
// only itself, byte for byte (no case folding, no Unicode normalisation). Bytes that are not
// UTF-8 are each a character of their own. Backtracks only to the last star, so the work is at
// most (pattern characters + 1) × (text characters + 1) steps, never exponential.
bool globMatch(std::string_view pattern, std::string_view text);

struct GlobMatchOutcome {
    bool matched = false;
    std::size_t steps = 0;  // turns of the matching loop, for tests that hold it to its bound
};
GlobMatchOutcome globMatchCountingSteps(std::string_view pattern, std::string_view text);

}  // namespace lopewell::ThreatMatcher
