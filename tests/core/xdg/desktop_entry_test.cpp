#include "core/xdg/desktop_entry.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using Strings = std::vector<std::string>;
constexpr std::string_view mainGroup = "Desktop Entry";

TEST(DesktopEntryFile, ReadsGroupsKeysAndCommentsOfAWellFormedFile)
{
    const DesktopEntryFile file = DesktopEntryFile::parse("# a comment\n"
                                                          "\n"
                                                          "[Desktop Entry]\n"
                                                          "Type=Application\n"
                                                          "Name = Text Editor \n"
                                                          "  Exec\t=\tgedit %U\r\n"
                                                          "Empty=\n"
                                                          "#Hidden=true\n"
                                                          "[Desktop Action new-window]\n"
                                                          "Name=New Window\n"
                                                          "Exec=gedit --new-window");
    EXPECT_EQ(file.problems(), std::vector<DesktopEntryProblem> {});
    EXPECT_EQ(file.groupNames(), (Strings { "Desktop Entry", "Desktop Action new-window" }));
    EXPECT_EQ(file.string(mainGroup, "Type"), "Application");
    EXPECT_EQ(file.string(mainGroup, "Name"), "Text Editor");
    EXPECT_EQ(file.string(mainGroup, "Exec"), "gedit %U");
    EXPECT_EQ(file.string(mainGroup, "Empty"), "");
    EXPECT_EQ(file.string(mainGroup, "Hidden"), std::nullopt);
    EXPECT_EQ(file.string(mainGroup, "name"), std::nullopt) << "keys are case sensitive";
    EXPECT_EQ(file.string("Desktop Action new-window", "Exec"), "gedit --new-window");
    EXPECT_EQ(file.string("Desktop Action other", "Exec"), std::nullopt);
    EXPECT_TRUE(file.hasGroup("Desktop Action new-window"));
    EXPECT_FALSE(file.hasGroup("desktop entry"));
}

TEST(DesktopEntryFile, AppliesEscapesToStringsAndSplitsLists)
{
    const DesktopEntryFile file = DesktopEntryFile::parse("[G]\n"
                                                          R"(Escaped=\sa\tb\nc\rd\\e\s)"
                                                          "\n"
                                                          R"(Raw=a\;b)"
                                                          "\n"
                                                          "List=one;two words;\n"
                                                          "NoFinal=one;two\n"
                                                          R"(Semicolon=a\;b;c\\;d)"
                                                          "\n"
                                                          "Holes=a;;b;\n"
                                                          "None=\n"
                                                          "Yes=true\nNo=false\nOne=1\nCapital=True\n");
    EXPECT_TRUE(file.problems().empty()) << file.problems().front().message;
    EXPECT_EQ(file.string("G", "Escaped"), " a\tb\nc\rd\\e ");
    EXPECT_EQ(file.rawValue("G", "Raw"), R"(a\;b)");
    EXPECT_EQ(file.stringList("G", "List"), (Strings { "one", "two words" }));
    EXPECT_EQ(file.stringList("G", "NoFinal"), (Strings { "one", "two" }));
    EXPECT_EQ(file.stringList("G", "Semicolon"), (Strings { "a;b", "c\\", "d" }));
    EXPECT_EQ(file.stringList("G", "Holes"), (Strings { "a", "", "b" }));
    EXPECT_EQ(file.stringList("G", "None"), Strings {});
    EXPECT_EQ(file.stringList("G", "Missing"), std::nullopt);
    EXPECT_EQ(file.boolean("G", "Yes"), true);
    EXPECT_EQ(file.boolean("G", "No"), false);
    EXPECT_EQ(file.boolean("G", "One"), std::nullopt);
    EXPECT_EQ(file.boolean("G", "Capital"), std::nullopt);
    EXPECT_EQ(file.boolean("G", "Missing"), std::nullopt);
}

TEST(DesktopEntryFile, PicksTheLocalizedValueInTheOrderOfTheRules)
{
    const char* text = "[Desktop Entry]\n"
                       "Name=Default\n"
                       "Name[sr]=lang\n"
                       "Name[sr@latin]=lang@modifier\n"
                       "Name[sr_RS]=lang_COUNTRY\n"
                       "Name[sr_RS@latin]=lang_COUNTRY@modifier\n"
                       "Name[de_DE.UTF-8]=encoding ignored\n"
                       "Name[fr_FR]=only with a country\n"
                       "Keywords=a;b;\n"
                       "Keywords[sr]=c;d;\n";
    const DesktopEntryFile file = DesktopEntryFile::parse(text);
    ASSERT_TRUE(file.problems().empty()) << file.problems().front().message;
    struct Case {
        const char* locale;
        const char* name;
    };
    const Case cases[] = {
        { "sr_RS.UTF-8@latin", "lang_COUNTRY@modifier" },
        { "sr_RS@latin", "lang_COUNTRY@modifier" },
        { "sr_RS.UTF-8", "lang_COUNTRY" },
        { "sr_ME@latin", "lang@modifier" },
        { "sr@latin", "lang@modifier" },
        { "sr_ME", "lang" },
        { "sr", "lang" },
        { "sr@cyrillic", "lang" },
        { "de_DE", "encoding ignored" },
        { "de_DE.ISO-8859-1", "encoding ignored" },
        { "de", "Default" },  // no country asked for: no key with one matches
        { "fr", "Default" },
        { "fr_FR@euro", "only with a country" },
        { "en_US.UTF-8", "Default" },
        { "C", "Default" },
        { "POSIX", "Default" },
        { "", "Default" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(file.localeString(mainGroup, "Name", c.locale), c.name) << c.locale;
    EXPECT_EQ(file.localeString(mainGroup, "Comment", "sr"), std::nullopt);
    EXPECT_EQ(file.rawValue(mainGroup, "Name[sr_RS@latin]"), "lang_COUNTRY@modifier");
    EXPECT_EQ(file.rawValue(mainGroup, "Name[de_DE]"), "encoding ignored");
    EXPECT_EQ(file.localeStringList(mainGroup, "Keywords", "sr_RS"), (Strings { "c", "d" }));
    EXPECT_EQ(file.localeStringList(mainGroup, "Keywords", "de"), (Strings { "a", "b" }));

    EXPECT_EQ(desktopEntryLocaleCandidates("sr_RS.UTF-8@latin"), (Strings { "sr_RS@latin", "sr_RS", "sr@latin", "sr" }));
    EXPECT_EQ(desktopEntryLocaleCandidates("de.UTF-8"), (Strings { "de" }));
}

TEST(DesktopEntryFile, ReportsEachFaultWithItsLineAndReadsTheRestAsSessionsDo)
{
    struct Case {
        std::string text;
        size_t line;
        std::string message;  // part of the problem's message
    };
    const Case cases[] = {
        { "Type=Application\n[Desktop Entry]\n", 1, "comes before any group" },
        { "[Desktop Entry]\nName=ok\nthis is not a pair\n", 3, "is not a key, a group or a comment" },
        { "[Desktop Entry]\n=value\n", 2, "a value without a key" },
        { "[Desktop Entry\nName=x\n", 1, "is not a valid group header" },
        { "[]\n", 1, "is not a valid group header" },
        { "[Desktop Entry] trailing\n", 1, "is not a valid group header" },
        { "[A[B]]\n", 1, "is not a valid group header" },
        { "[Desktop Entry]\nName=a\n[Other]\n[Desktop Entry]\n", 4, "group [Desktop Entry] already appeared on line 1" },
        { "[Desktop Entry]\nName=a\nName=b\n", 3, "key \"Name\" already appeared on line 2" },
        { "[Desktop Entry]\nName[de]=a\nName[de.UTF-8]=b\n", 3, "already appeared on line 2" },
        { "[Desktop Entry]\nName=caf\xe9\n", 2, "not valid UTF-8" },
        { "[Desktop Entry]\nName=\xc0\xaf overlong\n", 2, "not valid UTF-8" },
        { "[Desktop Entry]\nName[de=x\n", 2, "has a malformed locale" },
        { "[Desktop Entry]\nName[]=x\n", 2, "has a malformed locale" },
        { "[Desktop Entry]\nName_With_Underscores=x\n", 2, "is not a valid key name" },
        { "[Desktop Entry]\nName=a\\qb\n", 2, "\"\\q\" is not a valid escape sequence" },
        { "[Desktop Entry]\nName=ends with\\\n", 2, "\"\\\" is not a valid escape sequence" },
    };
    for (const Case& c : cases) {
        const DesktopEntryFile file = DesktopEntryFile::parse(c.text);
        ASSERT_EQ(file.problems().size(), 1u) << c.text;
        EXPECT_EQ(file.problems().front().line, c.line) << c.text;
        EXPECT_TRUE(file.problems().front().message.starts_with("line " + std::to_string(c.line) + ": "))
            << file.problems().front().message;
        EXPECT_NE(file.problems().front().message.find(c.message), std::string::npos) << file.problems().front().message;
    }

    // What survives the faults.
    const DesktopEntryFile file = DesktopEntryFile::parse("Early=1\n"
                                                          "[Desktop Entry]\n"
                                                          "Name=first\n"
                                                          "garbage\n"
                                                          "Bad=\xff\n"
                                                          "Name=second\n"
                                                          "[Broken\n"
                                                          "Lost=1\n"
                                                          "[Desktop Entry]\n"
                                                          "Hidden=true\n");
    EXPECT_EQ(file.problems().size(), 6u);
    EXPECT_EQ(file.groupNames(), Strings { "Desktop Entry" });
    EXPECT_EQ(file.string(mainGroup, "Name"), "second") << "the last of a repeated key wins";
    EXPECT_EQ(file.boolean(mainGroup, "Hidden"), true) << "a repeated group continues the first";
    EXPECT_EQ(file.string(mainGroup, "Bad"), std::nullopt);
    EXPECT_EQ(file.string(mainGroup, "Lost"), std::nullopt) << "keys under a broken header belong to no group";
    EXPECT_EQ(file.string(mainGroup, "Early"), std::nullopt);
}

TEST(DesktopEntryFile, AnEmptyOrCommentOnlyFileHasNoGroupsAndNoProblems)
{
    for (const char* text : { "", "\n\n", "# only\n  # comments\n", "\r\n" }) {
        const DesktopEntryFile file = DesktopEntryFile::parse(text);
        EXPECT_TRUE(file.problems().empty()) << text;
        EXPECT_TRUE(file.groupNames().empty()) << text;
    }
}

}  // namespace
}  // namespace lopewell
