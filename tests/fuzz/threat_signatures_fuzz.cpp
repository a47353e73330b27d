// Signature lists are data that could come from anywhere, and paths on disk are any bytes. The
// input is decoded as a list; whatever decodes survives a round trip and finds every one of its
// families through their own traces. Then it is split at its first NUL into a glob and a text,
// which must match within the bound the matcher promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/security/threat_matcher.h"
#include "core/security/threat_signature.h"

namespace {

using lopewell::ObservedArtifact;
using lopewell::ThreatSignature;

void checkList(std::string_view text)
{
    const auto decoded = lopewell::decodeThreatSignatures(text);
    if (!decoded) {
        if (decoded.error().message.empty())
            __builtin_trap();  // a failure always says why
        return;
    }
    const std::vector<ThreatSignature>& signatures = decoded.value();
    const auto again = lopewell::decodeThreatSignatures(lopewell::encodeThreatSignatures(signatures));
    if (!again || again.value() != signatures)
        __builtin_trap();

    const std::string home = "/home/fuzz";
    std::vector<ObservedArtifact> artifacts;
    std::size_t traced = 0;
    for (const ThreatSignature& signature : signatures) {
        const std::size_t before = artifacts.size();
        for (const std::string& id : signature.bundleIDs)
            artifacts.push_back({ ObservedArtifact::Kind::app, id, std::nullopt, false });
        for (const std::string& label : signature.agentLabels)
            artifacts.push_back({ ObservedArtifact::Kind::launchDaemon, label, std::nullopt, false });
        for (const std::string& id : signature.profileIDs)
            artifacts.push_back({ ObservedArtifact::Kind::profile, id, std::nullopt, false });
        for (const std::string& glob : signature.pathGlobs) {
            const std::string path = glob.starts_with('~') ? home + glob.substr(1) : glob;
            artifacts.push_back({ ObservedArtifact::Kind::file, path, path, true });
        }
        traced += artifacts.size() > before ? 1 : 0;
    }
    const auto threats = lopewell::ThreatMatcher::match(signatures, artifacts, home);
    if (threats.size() != traced)
        __builtin_trap();  // every trace matches itself, a glob included
    for (const auto& threat : threats) {
        if (threat.artifacts.empty())
            __builtin_trap();
    }
}

void checkGlob(std::string_view pattern, std::string_view text)
{
    const auto outcome = lopewell::ThreatMatcher::globMatchCountingSteps(pattern, text);
    if (outcome.steps > (pattern.size() + 1) * (text.size() + 1))
        __builtin_trap();
    if (pattern.find('*') == std::string_view::npos && outcome.matched != (pattern == text))
        __builtin_trap();
    if (!lopewell::ThreatMatcher::globMatch(pattern, pattern) || !lopewell::ThreatMatcher::globMatch("*", text))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkList(input);
    const std::size_t split = input.find('\0');
    if (split == std::string_view::npos)
        checkGlob(input, input);
    else
        checkGlob(input.substr(0, split), input.substr(split + 1));
    return 0;
}
