#include "core/security/threat_matcher.h"

#include <string>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

struct GlobCase {
    std::string_view pattern;
    std::string_view text;
    bool matches;
};

void expectGlobCases(const std::vector<GlobCase>& cases)
{
    for (const GlobCase& c : cases)
        EXPECT_EQ(ThreatMatcher::globMatch(c.pattern, c.text), c.matches) << "pattern \"" << c.pattern << "\", text \"" << c.text << "\"";
}

TEST(GlobMatch, StarsMatchAnyRunAndEverythingElseOnlyItself)
{
    expectGlobCases({
        { "*", "", true }, { "*", "/Library/Application Support/x", true }, { "", "", true }, { "", "a", false },
        { "/Library/Foo", "/Library/Foo", true }, { "/Library/Foo", "/library/foo", false }, { "/Library/Foo", "/Library/Foo2", false },
        { "/Library/Foo", "/Library/Fo", false }, { "/Library/Foo", "/x/Library/Foo", false }, { "/Library/Foo*", "/Library/Foo", true },
        { "/Library/Foo*", "/Library/Foo/bar/baz.plist", true }, { "/Library/Foo/*", "/Library/Foo", false }, { "/a/*/c", "/a/b/c", true },
        { "/a/*/c", "/a/x/y/c", true }, { "/a/*/c", "/a/c", false }, { "a*b*c", "axxbyyc", true }, { "a*b*c", "acb", false },
        { "a**b", "ab", true }, { "a**b", "axyb", true }, { "a***", "a", true }, { "*.plist", "com.x.plist.bak", false },
        { "*ab", "aab", true },  // the star must give back what it first took
        { "*a*b", "xaxaxb", true }, { "a*", "ba", false }, { "*a", "ab", false },
        { "a*c", "a*c", true },                          // a star in the text is an ordinary character
        { "?", "x", false },                             // no other wildcards
        { "[ab]", "a", false }, { "\\*", "\\x", true },  // no escaping either
    });
}

// A byte-wise matcher says yes to every one of the "false" cases below.
TEST(GlobMatch, WorksOnWholeCharactersNotBytesOrCodePoints)
{
    expectGlobCases({
        { "*\u0301", "e\u0301", false },  // a star followed by an accent is a character "*́", not a star
        { "*\u0301", "*\u0301", true },
        { "e*", "e\u0301", false },  // the text starts with "é", not "e"
        { "e*", "e\u0301x", false },
        { "e\u0301*", "e\u0301x", true },
        { "*x", "e\u0301x", true },
        { "caf*", "cafe\u0301", true },
        { "cafe*", "cafe\u0301", false },
        { "caf\u00e9", "cafe\u0301", false },  // precomposed and decomposed forms differ: no normalisation
        { "caf\u00e9", "caf\u00e9", true },
        { "*🇪🇸*", "🇩🇪🇸🇪", false },  // flags are pairs: this text is DE then SE
        { "*🇸🇪", "🇩🇪🇸🇪", true },
        { "*👩", "👨\u200d👩", false },  // a ZWJ sequence is one character
        { "👨*", "👨\u200d👩", false },
        { "*", "👨\u200d👩", true },
        { "/Users/*/Bibliothèque/*", "/Users/zoë/Bibliothèque/x", true },
    });
}

TEST(GlobMatch, CarriageReturnAndLineFeedAreOneCharacter)
{
    expectGlobCases({
        { "a\r\nb", "a\r\nb", true },
        { "a*b", "a\r\nb", true },
        { "a\r*", "a\r\nb", false },
        { "a*\nb", "a\r\nb", false },
        { "a\r", "a\r", true },
        { "a*\n", "a\n\r\n", false },  // "\n" then "\r\n": the text does not end in "\n"
        { "a*\r\n", "a\n\r\n", true },
        // The same with a non-ASCII character, which takes the other path.
        { "\u00e9\r*", "\u00e9\r\nb", false },
        { "\u00e9*\nb", "\u00e9\r\nb", false },
        { "\u00e9*b", "\u00e9\r\nb", true },
    });
}

TEST(GlobMatch, BytesThatAreNotUtf8AreEachACharacter)
{
    expectGlobCases({
        { "\xff", "\xff", true },
        { "*", "\xff\xfe", true },
        { "\xff*", "\xff\xfe", true },
        { "\xe2\x82", "\xe2\x82", true },  // a cut-off sequence: two characters
        { "\xe2*", "\xe2\x82", true },
        { "*\x82", "\xe2\x82", true },
        { "\xff*", "\xff\xcc\x81", true },     // an accent after a stray byte starts a character of its own
        { "*\u0301", "\xff\xcc\x81", false },  // while "*" and the accent in the pattern are one
        { "\xc3", "\u00e9", false },
        { "\xc3*", "\u00e9", false },  // "é" is one character; its first byte is not one
        { "\u00e9*", "\u00e9\xff", true },
        { "/home/*/x", "/home/\x80\x80/x", true },
    });
}

std::string repeated(std::string_view piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// A recursive matcher tries every way of sharing the text among the stars: C(n, k) for
// "a*a*…a*b" against n letters "a". This one only ever backtracks to the last star.
TEST(GlobMatch, ManyStarsStayWithinTheBoundAndLinearHere)
{
    for (std::string_view letter : { "a", "\u00e9" }) {  // the ASCII path and the segmented one
        const std::size_t stars = 40;
        const std::size_t letters = 400;
        const std::string pattern = repeated(std::string(letter) + "*", stars) + "b";
        const std::string text = repeated(letter, letters);
        const std::size_t m = 2 * stars + 1;
        const auto outcome = ThreatMatcher::globMatchCountingSteps(pattern, text);
        EXPECT_FALSE(outcome.matched) << letter;
        EXPECT_LE(outcome.steps, (m + 1) * (letters + 1)) << letter;
        EXPECT_LE(outcome.steps, 2 * (m + letters)) << letter;
        EXPECT_TRUE(ThreatMatcher::globMatch(pattern, text + "b")) << letter;
    }
}

TEST(GlobMatch, TheWorstCaseIsTheProductOfTheLengthsAndNoMore)
{
    for (std::string_view letter : { "a", "\u00e9" }) {
        const std::size_t literal = 50;
        const std::size_t letters = 300;
        const std::string pattern = "*" + repeated(letter, literal) + "b";  // each backtrack re-reads the literal
        const std::string text = repeated(letter, letters);
        const std::size_t m = literal + 2;
        const auto outcome = ThreatMatcher::globMatchCountingSteps(pattern, text);
        EXPECT_FALSE(outcome.matched) << letter;
        EXPECT_LE(outcome.steps, (m + 1) * (letters + 1)) << letter;
        EXPECT_GE(outcome.steps, literal * (letters - literal)) << letter;  // the bound is not loose: this case is quadratic
    }
}

ThreatSignature signature(std::string id)
{
    ThreatSignature made;
    made.id = std::move(id);
    made.family = made.id;
    made.description = "d";
    return made;
}

ObservedArtifact artifact(ObservedArtifact::Kind kind, std::string identifier)
{
    return ObservedArtifact { kind, std::move(identifier), std::nullopt, false };
}

using Kind = ObservedArtifact::Kind;

TEST(ThreatMatcher, PairsEachKindWithItsOwnListInSignatureAndArtifactOrder)
{
    ThreatSignature first = signature("first");
    first.bundleIDs = { "com.x.app" };
    first.agentLabels = { "com.x.agent" };
    first.profileIDs = { "com.x.profile" };
    first.pathGlobs = { "~/Library/Foo", "/Library/LaunchAgents/com.x.*.plist" };
    ThreatSignature second = signature("second");
    second.bundleIDs = { "com.x.app" };
    ThreatSignature unseen = signature("unseen");
    unseen.bundleIDs = { "com.y.app" };
    unseen.pathGlobs = { "com.x.*" };  // globs meet only file artifacts, never ids or labels

    const std::vector<ObservedArtifact> artifacts {
        artifact(Kind::launchDaemon, "com.x.app"),  // a daemon is never looked up among bundle ids
        artifact(Kind::app, "com.x.agent"),         // nor an app among labels
        artifact(Kind::profile, "com.x.app"),
        artifact(Kind::launchDaemon, "com.x.agent"),
        { Kind::app, "com.x.app", "/Applications/X.app", true },
        artifact(Kind::profile, "com.x.profile"),
        artifact(Kind::launchAgent, "COM.X.AGENT"),
        artifact(Kind::file, "/Library/LaunchAgents/com.x.helper.plist"),
        artifact(Kind::file, "/home/ada/Library/Foo"),
        artifact(Kind::file, "/home/bob/Library/Foo"),
        artifact(Kind::launchAgent, "com.x.agent"),
    };
    const std::vector<DetectedThreat> threats = ThreatMatcher::match({ first, unseen, second }, artifacts, "/home/ada");

    ASSERT_EQ(threats.size(), 2u);
    EXPECT_EQ(threats[0].signature, first);
    EXPECT_EQ(threats[0].artifacts,
        (std::vector<ObservedArtifact> { artifacts[3], artifacts[4], artifacts[5], artifacts[7], artifacts[8], artifacts[10] }));
    EXPECT_EQ(threats[1].signature, second);
    EXPECT_EQ(threats[1].artifacts, (std::vector<ObservedArtifact> { artifacts[4] }));  // shared with the first threat

    EXPECT_TRUE(ThreatMatcher::match({}, artifacts, "/home/ada").empty());
    EXPECT_TRUE(ThreatMatcher::match({ first, second }, {}, "/home/ada").empty());
}

TEST(ThreatMatcher, TheHomeFolderTakesThePlaceOfTheTildeLiterally)
{
    const struct {
        std::string_view home;
        std::string_view glob;
        std::string_view path;
        bool matches;
    } cases[] = {
        { "/home/ada", "~/Library/Foo", "/home/ada/Library/Foo", true },
        { "/home/ada/", "~/Library/Foo", "/home/ada/Library/Foo", true },  // a trailing slash is tolerated
        { "/home/ada", "~/Library/Foo", "/home/adam/Library/Foo", false },
        { "/home/ada", "~/.config/*/x", "/home/ada/.config/a/b/x", true }, { "/home/ada", "~/x", "~/x", false },
        { "/home/a*", "~/x", "/home/abc/x", false },  // a star in the home folder's name is no wildcard
        { "/home/a*", "~/x", "/home/a*/x", true }, { "/", "~/x", "/x", true },
        { "/home/ada", "/home/ada/x", "/home/ada/x", true },  // a glob without "~" is left alone
    };
    for (const auto& c : cases) {
        ThreatSignature glob = signature("glob");
        glob.pathGlobs = { std::string(c.glob) };
        const auto threats = ThreatMatcher::match({ glob }, { artifact(Kind::file, std::string(c.path)) }, c.home);
        EXPECT_EQ(threats.size(), c.matches ? 1u : 0u) << c.home << " " << c.glob << " " << c.path;
    }
}

}  // namespace
}  // namespace lopewell
