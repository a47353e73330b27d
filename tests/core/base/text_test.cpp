#include "core/base/text.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

TEST(Text, TrimsOnlyTheNamedSpaces)
{
    EXPECT_EQ(trimmed(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
    EXPECT_EQ(trimmed("\v a \f", xmlSpace), "\v a \f");
    EXPECT_EQ(trimmed("\n\t a \r", xmlSpace), "a");
    EXPECT_EQ(trimmed(" \n\t "), "");
    EXPECT_EQ(trimmed(""), "");
    EXPECT_EQ(trimmedStart("  a  "), "a  ");
    EXPECT_EQ(trimmedEnd("  a  "), "  a");
    EXPECT_EQ(trimmedEnd("critical\n \t", " \n"), "critical\n \t");
    EXPECT_EQ(trimmedEnd("critical \n", " \n"), "critical");
    EXPECT_EQ(trimmedStart(" \n"), "");
}

TEST(Text, TrimsUnicodeWhiteSpaceButNotMalformedBytes)
{
    EXPECT_EQ(trimmedUnicode("\xC2\xA0\xE3\x80\x80 a\xE2\x80\xA8\n"), "a");  // NBSP, ideographic space, LS
    EXPECT_EQ(trimmedUnicode("\xC2\x85"
                             "a\xE2\x80\x8A"),
        "a");  // NEL, hair space
    EXPECT_EQ(trimmedUnicode("\xE2\x80\x8B"
                             "a"),
        "\xE2\x80\x8B"
        "a");  // zero width space is not white
    EXPECT_EQ(trimmedUnicode("\xC0\xA0"
                             "a\xC0\xA0"),
        "\xC0\xA0"
        "a\xC0\xA0");                             // overlong spaces
    EXPECT_EQ(trimmedUnicode("a\xA0"), "a\xA0");  // a lone continuation byte
    EXPECT_EQ(trimmedUnicode(" \xA0 "), "\xA0");
    EXPECT_EQ(trimmedUnicode(" \t\xE3\x80\x80"), "");
}

}  // namespace
}  // namespace lopewell
