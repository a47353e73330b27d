#include "core/base/utf8.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using utf8::CodePoint;

TEST(Utf8, DecodesEachLengthAtItsBounds)
{
    const struct {
        std::string_view bytes;
        char32_t value;
    } cases[] = {
        { "\x00", 0x00 },
        { "\x7F", 0x7F },
        { "\xC2\x80", 0x80 },
        { "\xDF\xBF", 0x7FF },
        { "\xE0\xA0\x80", 0x800 },
        { "\xED\x9F\xBF", 0xD7FF },
        { "\xEE\x80\x80", 0xE000 },
        { "\xEF\xBF\xBF", 0xFFFF },
        { "\xF0\x90\x80\x80", 0x10000 },
        { "\xF4\x8F\xBF\xBF", 0x10FFFF },
    };
    for (const auto& c : cases) {
        const std::string_view bytes = c.bytes.empty() ? std::string_view("\0", 1) : c.bytes;
        EXPECT_EQ(utf8::decodeFront(bytes), (CodePoint { c.value, bytes.size(), true })) << std::hex << std::uint32_t(c.value);
        EXPECT_EQ(utf8::decodeBack(bytes), (CodePoint { c.value, bytes.size(), true })) << std::hex << std::uint32_t(c.value);
        std::string encoded;
        utf8::append(encoded, c.value);
        EXPECT_EQ(encoded, bytes) << std::hex << std::uint32_t(c.value);
    }
}

TEST(Utf8, RefusesMalformedSequencesOneByteAtATime)
{
    const std::string_view cases[] = {
        "\x80",  // continuation without a lead
        "\xBF",
        "\xC0\xA0",  // overlong space
        "\xC1\xBF",
        "\xE0\x9F\xBF",      // overlong U+07FF
        "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
        "\xED\xA0\x80",      // surrogate D800
        "\xED\xBF\xBF",      // surrogate DFFF
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",
        "\xFF",
        "\xC3",  // cut off
        "\xE2\x82",
        "\xF0\x9F\x98",
        "\xC3\x41",  // continuation missing
        "\xE2\x28\xA1",
    };
    const CodePoint malformed { utf8::replacement, 1, false };
    for (std::string_view bytes : cases) {
        EXPECT_EQ(utf8::decodeFront(bytes), malformed) << testing::PrintToString(std::string(bytes));
        EXPECT_FALSE(utf8::isValid(bytes)) << testing::PrintToString(std::string(bytes));
    }
}

TEST(Utf8, DecodesTheLastSequenceOnlyWhenItEndsTheText)
{
    EXPECT_EQ(utf8::decodeBack("ab\xE2\x82\xAC"), (CodePoint { 0x20AC, 3, true }));
    EXPECT_EQ(utf8::decodeBack("\xE2\x82\xAC!"), (CodePoint { '!', 1, true }));
    const CodePoint malformed {};
    EXPECT_EQ(utf8::decodeBack("a\x80"), malformed);             // stray continuation after "a"
    EXPECT_EQ(utf8::decodeBack("\xE2\x82\xAC\x80"), malformed);  // ...after a whole sequence
    EXPECT_EQ(utf8::decodeBack("a\xE2\x82"), malformed);         // cut off
    EXPECT_EQ(utf8::decodeBack("\x80\x80\x80\x80"), malformed);
    EXPECT_EQ(utf8::decodeBack("\xED\xA0\x80"), malformed);  // surrogate
}

TEST(Utf8, ReplacesAndCountsEachMalformedByte)
{
    const struct {
        std::string_view bytes;
        std::string_view replaced;
        std::size_t count;
    } cases[] = {
        { "", "", 0 },
        { "plain", "plain", 5 },
        { "caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80", 6 },
        { "a\xFF"
          "b",
            "a\xEF\xBF\xBD"
            "b",
            3 },
        { "\xC0\xA0", "\xEF\xBF\xBD\xEF\xBF\xBD", 2 },
        { "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 3 },
        { "x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD", 3 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8::withReplacements(c.bytes), c.replaced) << testing::PrintToString(std::string(c.bytes));
        EXPECT_TRUE(utf8::isValid(utf8::withReplacements(c.bytes)));
        EXPECT_EQ(utf8::codePointCount(c.bytes), c.count) << testing::PrintToString(std::string(c.bytes));
    }
    EXPECT_TRUE(utf8::isValid(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace lopewell
