#include "cli/terminal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace lopewell::cli {
namespace {

TEST(TerminalSafe, ShowsControlsAndBrokenUtf8AsQuestionMarksAndKeepsText)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        { "", "" }, { "plain name.txt", "plain name.txt" }, { "\x1b[2J\x1b]0;title\x07", "?[2J?]0;title?" },  // ESC, BEL
        { "a\nb\rc\td\x7f", "a?b?c?d?" },
        { "\xc2\x9b"
          "31m",
            "?31m" },                           // C1 CSI, as UTF-8
        { "\xc2\x85\xc2\x80\xc2\x9f", "???" },  // C1 from first to last
        { "\x9b"
          "31m",
            "?31m" },                                              // a lone C1 byte is not UTF-8 either
        { "caf\xff\xfe", "caf??" }, { "cut \xe2\x82", "cut ??" },  // a sequence cut off
        { "\xc0\xaf\xed\xa0\x80", "?????" },                       // overlong '/', a surrogate
        { "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80" },
        { "\xc2\xa0\xc2\xa9", "\xc2\xa0\xc2\xa9" },  // just past C1: kept
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(terminalSafe(text), shown) << text;
}

TEST(CountText, GroupsThousandsAndPicksTheNoun)
{
    EXPECT_EQ(countText(0, "file", "files"), "0 files");
    EXPECT_EQ(countText(1, "file", "files"), "1 file");
    EXPECT_EQ(countText(2, "copy", "copies"), "2 copies");
    EXPECT_EQ(countText(1'234, "item", "items"), "1,234 items");
    EXPECT_EQ(countText(1'234'567), "1,234,567");
}

TEST(Confirm, OnlyAYesAgrees)
{
    for (const char* yes : { "y", "Y", "yes", "YES", "Yes", " y", "y\r", "yes  " })
        EXPECT_TRUE(isYes(yes)) << yes;
    for (const char* no : { "", "n", "N", "no", "ye", "yess", "yes please", "ja" })
        EXPECT_FALSE(isYes(no)) << no;

    const auto ask = [](const std::string& input, std::string* asked = nullptr) {
        std::istringstream in(input);
        std::ostringstream err;
        const bool agreed = confirm(in, err, "Move 2 items to Trash? [y/N] ");
        if (asked)
            *asked = err.str();
        return agreed;
    };
    std::string asked;
    EXPECT_TRUE(ask("y\nmore\n", &asked));
    EXPECT_EQ(asked, "Move 2 items to Trash? [y/N] ");
    EXPECT_TRUE(ask("yes"));  // a last line without its newline still counts
    EXPECT_FALSE(ask("\n"));
    EXPECT_FALSE(ask(""));  // the end of the input is a no
    EXPECT_FALSE(ask("n\ny\n"));
}

TEST(ProgressLine, WritesNothingIntoAStreamThatIsNotTheTerminal)
{
    std::ostringstream err;
    {
        ProgressLine progress(err);
        progress.show("Scanning… 1 file");
        progress.clear();
        progress.show("Scanning… 2 files");
    }
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace lopewell::cli
