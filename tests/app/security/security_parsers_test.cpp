#include <gtest/gtest.h>

#include "app/security/browser_policy.h"
#include "app/security/linux_security_sources.h"
#include "app/security/profiles_output.h"
#include "app/security/signature_file.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

using namespace std::string_literals;
using Identifiers = std::vector<std::string>;

TEST(ProfilesOutput, TakesTheTextAfterTheFirstMarkerOfEachLine)
{
    const struct {
        std::string output;
        Identifiers expected;
    } cases[] = {
        { "_computerlevel[1] attribute: profileIdentifier: com.a\n", { "com.a" } },
        { "   \t profileIdentifier:\tcom.a \t\r\n", { "com.a \t\r" } },  // only spaces and tabs are trimmed
        { "profileIdentifier: com.a\nprofileIdentifier: com.a", { "com.a", "com.a" } },
        { "profileIdentifier:\nprofileIdentifier:   \n\n\nProfileIdentifier: com.b\n", {} },
        { "x profileIdentifier: a profileIdentifier: b\n", { "a profileIdentifier: b" } },
        { "profileIdentifier: caf\xc3\xa9\nprofileIdentifier: \xff\x01\n", { "caf\xc3\xa9", "\xef\xbf\xbd\x01" } },
        { "\0profileIdentifier: com.nul\n"s, { "com.nul" } },
        { "", {} },
    };
    for (const auto& each : cases)
        EXPECT_EQ(parseProfileIdentifiers(each.output), each.expected) << each.output;
}

TEST(BrowserPolicy, ChromeForcedExtensionsAndHijackedPagesBecomeIdentifiers)
{
    const std::string policy = R"({
        "HomepageLocation": "https://user:pw@Search.EXAMPLE.com:8443/start?q=1",
        "ExtensionInstallForcelist": ["abcdabcdabcdabcdabcdabcdabcdabcd;https://update.example/crx", 7, "efghefghefghefghefghefghefghefgh"],
        "ExtensionSettings": {
            "*": {"installation_mode": "blocked"},
            "ijklijklijklijklijklijklijklijkl,mnopmnopmnopmnopmnopmnopmnopmnop": {"installation_mode": "force_installed"},
            "qrstqrstqrstqrstqrstqrstqrstqrst": {"installation_mode": "allowed"},
            "abcdabcdabcdabcdabcdabcdabcdabcd": {"installation_mode": "force_installed"}
        },
        "NewTabPageLocation": "www.newtab.example/tab",
        "RestoreOnStartupURLs": ["http://one.example/", {"not": "a url"}, "http://[::1]:8080/x"],
        "DefaultSearchProviderSearchURL": "https://find.example/search?q={searchTerms}",
        "AuthServerAllowlist": "*.corp.example"
    })";
    EXPECT_EQ(browserPolicyIdentifiers(BrowserPolicyFormat::chrome, policy),
        (Identifiers { "chrome:ExtensionInstallForcelist:abcdabcdabcdabcdabcdabcdabcdabcd",
            "chrome:ExtensionInstallForcelist:efghefghefghefghefghefghefghefgh",
            "chrome:ExtensionInstallForcelist:ijklijklijklijklijklijklijklijkl",
            "chrome:ExtensionInstallForcelist:mnopmnopmnopmnopmnopmnopmnopmnop", "chrome:HomepageLocation:search.example.com",
            "chrome:NewTabPageLocation:www.newtab.example", "chrome:RestoreOnStartupURLs:one.example", "chrome:RestoreOnStartupURLs:[::1]",
            "chrome:DefaultSearchProviderSearchURL:find.example" }));
}

TEST(BrowserPolicy, FirefoxPoliciesJsonBecomesIdentifiers)
{
    const std::string policy = R"({"policies": {
        "ExtensionSettings": {
            "*": {"installation_mode": "force_installed"},
            "hijack@example.com": {"installation_mode": "force_installed", "install_url": "https://x.example/a.xpi"},
            "{3550f703-e582-4d05-9a08-453d09bdfdc6}": {"installation_mode": "normal_installed"},
            "blocked@example.com": {"installation_mode": "blocked"}
        },
        "Homepage": {"URL": "http://Home.Example/", "Additional": ["https://more.example/"], "Locked": true},
        "SearchEngines": {"Add": [{"Name": "Find", "URLTemplate": "https://find.example/?q={searchTerms}"}], "Default": "Find"}
    }})";
    EXPECT_EQ(browserPolicyIdentifiers(BrowserPolicyFormat::firefox, policy),
        (Identifiers { "firefox:ExtensionSettings:hijack@example.com", "firefox:ExtensionSettings:{3550f703-e582-4d05-9a08-453d09bdfdc6}",
            "firefox:Homepage:home.example", "firefox:Homepage:more.example", "firefox:SearchEngines:find.example" }));
}

TEST(BrowserPolicy, WhatIsNoPolicyObjectGivesNothing)
{
    for (const std::string& text :
        { ""s, "[]"s, "null"s, R"({"HomepageLocation": 42})"s, R"({"HomepageLocation": "http://a.example")"s, std::string(100000, '[') }) {
        EXPECT_EQ(browserPolicyIdentifiers(BrowserPolicyFormat::chrome, text), Identifiers()) << text.substr(0, 40);
        EXPECT_EQ(browserPolicyIdentifiers(BrowserPolicyFormat::firefox, text), Identifiers()) << text.substr(0, 40);
    }
    // Chrome's keys at the top of policies.json are not Firefox's, and the other way round.
    EXPECT_EQ(browserPolicyIdentifiers(BrowserPolicyFormat::firefox, R"({"HomepageLocation": "http://a.example"})"), Identifiers());
    EXPECT_EQ(
        browserPolicyIdentifiers(BrowserPolicyFormat::chrome, R"({"policies": {"Homepage": {"URL": "http://a.example"}}})"), Identifiers());
}

TEST(BrowserPolicy, UrlHostIsTheLowerCaseHostAlone)
{
    const std::pair<std::string, std::string> cases[] = {
        { "https://Example.COM/path", "example.com" },
        { "http://user@host.example:80", "host.example" },
        { "host.example/path?x#y", "host.example" },
        { "https://[2001:db8::1]:443/", "[2001:db8::1]" },
        { "file:///etc/passwd", "" },
        { "", "" },
        { "http://bad host/", "" },
    };
    for (const auto& [url, host] : cases)
        EXPECT_EQ(urlHost(url), host) << url;
}

TEST(BrowserPolicy, PolicyFilesAreReadFromEveryBrowsersFolderUnderTheRoot)
{
    testing::TempDir dir;
    const auto root = dir / "root";
    testing::writeFile(root / "etc/opt/chrome/policies/managed/b.json", R"({"HomepageLocation": "http://b.example"})");
    testing::writeFile(root / "etc/opt/chrome/policies/managed/a.json", R"({"HomepageLocation": "http://a.example"})");
    testing::writeFile(root / "etc/opt/chrome/policies/managed/notes.txt", R"({"HomepageLocation": "http://txt.example"})");
    testing::writeFile(root / "etc/chromium/policies/recommended/c.json", R"({"NewTabPageLocation": "http://c.example"})");
    testing::writeFile(
        root / "usr/lib/firefox-esr/distribution/policies.json", R"({"policies": {"Homepage": {"URL": "http://f.example"}}})");
    testing::writeFile(root / "etc/firefox/policies/policies.json", std::string(2 << 20, ' ') + "{}");
    const HostLayout layout = HostLayout::forTesting(root, dir / "home", 1000, "a", HostFlavour::linuxDesktop);
    std::vector<std::string> found;
    for (const ObservedArtifact& artifact : browserPolicyArtifacts(layout)) {
        EXPECT_EQ(artifact.kind, ObservedArtifact::Kind::profile);
        EXPECT_FALSE(artifact.isUserControllable);
        found.push_back(artifact.identifier + " " + artifact.path.value_or("").substr(root.string().size()));
    }
    EXPECT_EQ(found,
        (Identifiers { "chrome:HomepageLocation:a.example /etc/opt/chrome/policies/managed/a.json",
            "chrome:HomepageLocation:b.example /etc/opt/chrome/policies/managed/b.json",
            "chrome:NewTabPageLocation:c.example /etc/chromium/policies/recommended/c.json",
            "firefox:Homepage:f.example /usr/lib/firefox-esr/distribution/policies.json" }));
}

TEST(SignatureFile, ReadsAListOrSaysWhyNot)
{
    testing::TempDir dir;
    testing::writeFile(dir / "good.json", R"([{"id": "a", "family": "A", "severity": "pup", "description": "d", "sources": ["x"]}])");
    testing::writeFile(dir / "big.json", "[" + std::string(signatureListSizeLimit, ' ') + "]");
    testing::writeFile(dir / "bad.json", R"([{"id": "a", "family": "A", "severity": "pup", "description": "d"}, {"id": "b"}])");
    const auto good = readSignatureFile(dir / "good.json");
    ASSERT_TRUE(good);
    EXPECT_EQ(good.value().size(), 1u);
    const std::pair<std::string, std::string> failures[] = {
        { "big.json", "the signature list is larger than 4 MiB" },
        { "bad.json", "entry 1 (\"b\")" },
        { "missing.json", "cannot read " + (dir / "missing.json").string() + ": No such file or directory" },
        { "", "is not a regular file" },
    };
    for (const auto& [name, message] : failures) {
        const auto read = readSignatureFile(dir / name);
        ASSERT_FALSE(read) << name;
        EXPECT_NE(read.error().message.find(message), std::string::npos) << read.error().message;
    }
}

}  // namespace
}  // namespace lopewell
