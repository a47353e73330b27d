#include "core/security/threat_signature.h"

#include <string>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

TEST(ThreatSignature, DecodesEveryFieldIgnoresExtraKeysAndReadsAbsentListsAsEmpty)
{
    const auto decoded = decodeThreatSignatures(R"([
        {"id": "genieo", "family": "Genieo", "severity": "adware", "description": "Ads.",
         "bundleIDs": ["com.genieo.app"], "pathGlobs": ["~/Library/Genieo", "/Library/Foo*"],
         "agentLabels": ["com.genieo.engine"], "profileIDs": ["com.genieo.profile"],
         "sources": ["somewhere"], "notes": {"deep": [1, 2]}},
        {"id": "bare", "family": "Bare", "severity": "malware", "description": "", "bundleIDs": null}
    ])");
    ASSERT_TRUE(decoded) << decoded.error().message;
    ASSERT_EQ(decoded.value().size(), 2u);
    const ThreatSignature& genieo = decoded.value()[0];
    EXPECT_EQ(genieo,
        (ThreatSignature { "genieo", "Genieo", ThreatSignature::Severity::adware, "Ads.", { "com.genieo.app" },
            { "~/Library/Genieo", "/Library/Foo*" }, { "com.genieo.engine" }, { "com.genieo.profile" } }));
    EXPECT_EQ(decoded.value()[1], (ThreatSignature { "bare", "Bare", ThreatSignature::Severity::malware, "", {}, {}, {}, {} }));
}

TEST(ThreatSignature, AListThatDoesNotDecodeNamesItsFirstBadEntry)
{
    const std::string good = R"({"id": "good", "family": "F", "severity": "pup", "description": "d"})";
    const struct {
        std::string json;
        std::string_view error;
    } cases[] = {
        { R"([{"id": "genieo", "family": "G", "description": "d"}])", R"(entry 0 ("genieo"): missing key "severity")" },
        { "[" + good + R"(, {"id": "x", "family": "F", "severity": "trojan", "description": "d"}])",
            R"(entry 1 ("x"): unknown severity "trojan" (expected one of "adware", "pup", "malware"))" },
        { R"([{"id": "x", "family": "F", "severity": "Adware", "description": "d"}])", R"(entry 0 ("x"): unknown severity "Adware")" },
        { R"([{"id": "x", "family": "F", "severity": 2, "description": "d"}])",
            R"(entry 0 ("x"): "severity" must be a string, but is number)" },
        { R"([{"id": 7, "family": "F", "severity": "pup", "description": "d"}])", R"(entry 0: "id" must be a string, but is number)" },
        { R"([{"family": "F", "severity": "pup", "description": "d"}])", R"(entry 0: missing key "id")" },
        { R"([{"id": "x", "severity": "pup", "description": "d"}])", R"(entry 0 ("x"): missing key "family")" },
        { R"([{"id": "x", "family": "F", "severity": "pup"}])", R"(entry 0 ("x"): missing key "description")" },
        { R"([{"id": "x", "family": "F", "severity": "pup", "description": "d", "pathGlobs": "/a"}])",
            R"(entry 0 ("x"): "pathGlobs" must be a list of strings, but is string)" },
        { R"([{"id": "x", "family": "F", "severity": "pup", "description": "d", "agentLabels": ["a", 1]}])",
            R"(entry 0 ("x"): "agentLabels" must be a list of strings, but item 1 is number)" },
        { "[" + good + ", " + good + ", " + good + "]", R"(entry 1 ("good"): the id is already used by entry 0)" },
        { "[" + good + ", 3]", "entry 1: a signature must be an object, but is number" },
        { R"({"id": "x"})", "the signature list must be a JSON array, but is object" },
        { "[" + good, "the signature list is not JSON: parse error at line 1, column " }, { "", "the signature list is not JSON: " },
        { "[\"\xff\"]", "the signature list is not JSON: " },  // nlohmann refuses text that is not UTF-8
    };
    for (const auto& c : cases) {
        const auto decoded = decodeThreatSignatures(c.json);
        ASSERT_FALSE(decoded) << c.json;
        EXPECT_TRUE(decoded.error().message.starts_with(c.error)) << decoded.error().message;
    }
}

TEST(ThreatSignature, AnErrorShowsALongIdCutShort)
{
    const std::string id(500, 'x');
    const auto decoded = decodeThreatSignatures(R"([{"id": ")" + id + R"("}])");
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error().message, "entry 0 (\"" + std::string(60, 'x') + "…\"): missing key \"family\"");
}

TEST(ThreatSignature, ListsLargerThanTheLimitAreRefusedUnread)
{
    std::string atLimit = "[]";
    atLimit.resize(signatureListSizeLimit, ' ');
    EXPECT_TRUE(decodeThreatSignatures(atLimit));

    const auto over = decodeThreatSignatures(atLimit + " ");
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().message, "the signature list has 4194305 bytes, more than the 4194304 that are read");
}

TEST(ThreatSignature, EncodesCompactlyInFieldOrderAndDecodesBack)
{
    const std::vector<ThreatSignature> signatures {
        { "a", "A \"quoted\"", ThreatSignature::Severity::pup, "Line\nbreak", { "com.a" }, { "~/a*" }, {},
            { "chrome:HomepageLocation:a.example" } },
        { "b", "B", ThreatSignature::Severity::malware, "", {}, {}, { "xmrig.service" }, {} },
    };
    const std::string encoded = encodeThreatSignatures(signatures);
    EXPECT_TRUE(encoded.starts_with(R"([{"id":"a","family":"A \"quoted\"","severity":"pup","description":"Line\nbreak",)"
                                    R"("bundleIDs":["com.a"],"pathGlobs":["~/a*"],"agentLabels":[],"profileIDs":[)"))
        << encoded;
    const auto decoded = decodeThreatSignatures(encoded);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(decoded.value(), signatures);
    EXPECT_EQ(encodeThreatSignatures({}), "[]");
}

TEST(ThreatSignature, FromJsonThrowsForTheCallersOfNlohmann)
{
    EXPECT_THROW(
        (void)nlohmann::json::parse(R"({"id": "x", "family": "F", "description": "d"})").get<ThreatSignature>(), nlohmann::json::exception);
    EXPECT_THROW((void)nlohmann::json("pup").get<ObservedArtifact::Kind>(), nlohmann::json::exception);
    EXPECT_EQ(nlohmann::json(ThreatSignature::Severity::malware), "malware");
}

TEST(ObservedArtifact, RoundTripsWithItsPathAsAFileUrl)
{
    const std::vector<ObservedArtifact> artifacts {
        { ObservedArtifact::Kind::file, "/home/a/odd \xff name", "/home/a/odd \xff name", true },
        { ObservedArtifact::Kind::profile, "com.x.profile", std::nullopt, false },
        { ObservedArtifact::Kind::launchDaemon, "com.x.daemon", "/Library/LaunchDaemons/com.x.daemon.plist", false },
    };
    for (const ObservedArtifact& artifact : artifacts) {
        const nlohmann::json json = artifact;
        EXPECT_EQ(json.contains("url"), artifact.path.has_value());
        EXPECT_EQ(json.get<ObservedArtifact>(), artifact) << json.dump();
    }
    EXPECT_EQ(nlohmann::json(artifacts[0]).at("url"), "file:///home/a/odd%20%FF%20name");

    const nlohmann::json bad[] = {
        R"({"kind": "file", "identifier": "/a", "url": "/a", "isUserControllable": true})"_json,
        R"({"kind": "file", "identifier": "/a", "url": "file:///a"})"_json,
        R"({"kind": "folder", "identifier": "/a", "isUserControllable": true})"_json,
        R"({"kind": "file", "identifier": "/a", "isUserControllable": 1})"_json,
    };
    for (const nlohmann::json& json : bad)
        EXPECT_THROW((void)json.get<ObservedArtifact>(), nlohmann::json::exception) << json.dump();
}

TEST(DetectedThreat, RoundTripsAndNeedsAnArtifact)
{
    const DetectedThreat threat {
        { "a", "A", ThreatSignature::Severity::adware, "d", { "com.a" }, {}, {}, {} },
        { { ObservedArtifact::Kind::app, "com.a", "/Applications/A.app", true } },
    };
    const nlohmann::json json = threat;
    EXPECT_EQ(json.get<DetectedThreat>(), threat);

    nlohmann::json empty = json;
    empty["artifacts"] = nlohmann::json::array();
    EXPECT_THROW((void)empty.get<DetectedThreat>(), nlohmann::json::exception);
}

}  // namespace
}  // namespace lopewell
