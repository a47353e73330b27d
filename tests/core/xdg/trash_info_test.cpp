#include "core/xdg/trash_info.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

TEST(TrashInfo, ReadsTheOriginalPathAsBytes)
{
    struct Case {
        std::string text;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        { "[Trash Info]\nPath=/home/ada/My%20Report.pdf\nDeletionDate=2026-12-01T09:30:00\n", "/home/ada/My Report.pdf" },
        { "[Trash Info]\nPath=relative/on%2Fdrive\n", "relative/on/drive" },             // relative to the drive's top
        { "[Trash Info]\nPath=/home/ada/caf%C3%A9%FF\n", "/home/ada/caf\xC3\xA9\xFF" },  // not UTF-8: kept
        { "[Trash Info]\nPath=/a%2\n", std::nullopt },                                   // cut escape
        { "[Trash Info]\nPath=/a%zz\n", std::nullopt },
        { "[Trash Info]\nPath=/a%00b\n", std::nullopt },                  // an encoded NUL
        { std::string("[Trash Info]\nPath=/a\0b\n", 23), std::nullopt },  // a raw NUL
        { "[Trash Info]\nPath=\n", std::nullopt },
        { "[Other]\nPath=/a\n", std::nullopt },
        { "Path=/a\n", std::nullopt },
        { "", std::nullopt },
    };
    for (const Case& c : cases) {
        const std::optional<TrashInfo> info = parseTrashInfo(c.text);
        EXPECT_EQ(info ? std::optional(info->originalPath) : std::nullopt, c.path) << c.text;
    }
}

TEST(TrashInfo, TheOriginalNameIsTheLastComponent)
{
    EXPECT_EQ(TrashInfo { "/home/ada/Pictures/Holiday" }.originalName(), "Holiday");
    EXPECT_EQ(TrashInfo { "/home/ada/dir/" }.originalName(), "dir");
    EXPECT_EQ(TrashInfo { "name" }.originalName(), "name");
    EXPECT_EQ(TrashInfo { "/" }.originalName(), "");
}

}  // namespace
}  // namespace lopewell
