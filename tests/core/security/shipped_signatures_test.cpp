#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "core/security/threat_signature.h"

namespace lopewell {
namespace {

std::string shippedList(const std::string& name)
{
    std::ifstream file(std::string(LOPEWELL_RESOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool hasStar(const std::string& text)
{
    return text.find('*') != std::string::npos;
}

// Labels and ids are compared exactly, and the scan only looks for globs without a star: an
// entry needs at least one trace of those kinds, or it can never be found.
TEST(ShippedSignatures, BothListsDecodeAndEveryEntryCanBeFound)
{
    for (const std::string name : { "adware-signatures.json", "adware-signatures-linux.json" }) {
        SCOPED_TRACE(name);
        const std::string text = shippedList(name);
        ASSERT_FALSE(text.empty());
        const auto decoded = decodeThreatSignatures(text);
        ASSERT_TRUE(decoded) << decoded.error().message;
        EXPECT_GE(decoded.value().size(), 8u);

        const nlohmann::json raw = nlohmann::json::parse(text);
        for (std::size_t i = 0; i < decoded.value().size(); ++i) {
            const ThreatSignature& signature = decoded.value()[i];
            SCOPED_TRACE(signature.id);
            EXPECT_FALSE(signature.family.empty());
            EXPECT_GE(signature.description.size(), 60u);
            const bool literalPath
                = std::any_of(signature.pathGlobs.begin(), signature.pathGlobs.end(), [](const auto& g) { return !hasStar(g); });
            EXPECT_TRUE(literalPath || !signature.bundleIDs.empty() || !signature.agentLabels.empty() || !signature.profileIDs.empty());
            for (const auto* list : { &signature.bundleIDs, &signature.agentLabels, &signature.profileIDs })
                EXPECT_TRUE(std::none_of(list->begin(), list->end(), hasStar));
            for (const std::string& glob : signature.pathGlobs)
                EXPECT_TRUE(glob.starts_with('/') || glob.starts_with("~/")) << glob;
            const nlohmann::json& sources = raw[i].value("sources", nlohmann::json());
            ASSERT_TRUE(sources.is_array() && !sources.empty());
            for (const nlohmann::json& source : sources)
                EXPECT_TRUE(source.is_string() && !source.get<std::string>().empty());
        }
    }
}

}  // namespace
}  // namespace lopewell
