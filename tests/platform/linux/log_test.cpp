#include "platform/log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lopewell {
namespace {

struct Line {
    log::Level level;
    std::string category;
    std::string message;
    bool operator==(const Line&) const = default;
};

TEST(Log, SinkReceivesLevelCategoryAndMessage)
{
    std::vector<Line> lines;
    log::setSinkForTesting([&lines](log::Level level, std::string_view category, std::string_view message) {
        lines.push_back({ level, std::string(category), std::string(message) });
    });
    log::error("StorageScanCache", "Failed to persist scan cache: disk full");
    log::warning("Files", "w");
    log::info("Apps", "i");
    log::debug("Space", "d");
    log::write(log::Level::error, "", "");
    log::setSinkForTesting(nullptr);

    const std::vector<Line> expected = {
        { log::Level::error, "StorageScanCache", "Failed to persist scan cache: disk full" },
        { log::Level::warning, "Files", "w" },
        { log::Level::info, "Apps", "i" },
        { log::Level::debug, "Space", "d" },
        { log::Level::error, "", "" },
    };
    EXPECT_EQ(lines, expected);
}

TEST(Log, WithoutASinkWritesOneEscapedLinePerMessageToStderr)
{
    testing::internal::CaptureStderr();
    log::warning("UserDefaults", "plain text");
    log::error("Files", "name\nwith\x1b[31mescapes\x7f and ünïcode");
    log::info("A", "i");
    log::debug("B", "d");
    const std::string output = testing::internal::GetCapturedStderr();

    EXPECT_EQ(output,
        "lopewell[UserDefaults] warning: plain text\n"
        "lopewell[Files] error: name\\x0awith\\x1b[31mescapes\\x7f and ünïcode\n"
        "lopewell[A] info: i\n"
        "lopewell[B] debug: d\n");
}

TEST(Log, ClearingTheSinkRestoresStderr)
{
    int calls = 0;
    log::setSinkForTesting([&calls](log::Level, std::string_view, std::string_view) { ++calls; });
    testing::internal::CaptureStderr();
    log::info("A", "to the sink");
    log::setSinkForTesting(nullptr);
    log::info("A", "to stderr");
    const std::string output = testing::internal::GetCapturedStderr();

    EXPECT_EQ(calls, 1);
    EXPECT_EQ(output, "lopewell[A] info: to stderr\n");
}

}  // namespace
}  // namespace lopewell
