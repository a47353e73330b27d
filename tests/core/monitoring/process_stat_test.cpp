#include "core/monitoring/process_stat.h"

#include <gtest/gtest.h>

using namespace lopewell;

namespace {

// Fields 3..24 of proc(5) after the name: state, ppid 7, ..., utime 150, stime 50, ...,
// num_threads 4, ..., rss 300.
std::string statLine(std::string_view name)
{
    return "1234 (" + std::string(name)
        + ") S 7 1234 1234 0 -1 4194560 100 0 0 0 150 50 0 0 20 0 4 0 5000 123456 300 "
          "18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 17 1 0 0 0 0 0\n";
}

}  // namespace

TEST(ProcessStat, ReadsParentNameTicksThreadsAndPages)
{
    auto stat = parseProcessStat(statLine("bash"));
    ASSERT_TRUE(stat);
    EXPECT_EQ(*stat, (ProcessStat { .parentPID = 7, .name = "bash", .cpuTicks = 200, .threadCount = 4, .residentPages = 300 }));
}

TEST(ProcessStat, NameRunsFromFirstOpenToLastCloseParenthesis)
{
    for (std::string_view name : { "Web Content", "a) S 1 2 (b", "line\nbreak", "((x))", "" }) {
        auto stat = parseProcessStat(statLine(name));
        ASSERT_TRUE(stat) << name;
        EXPECT_EQ(stat->name, name);
        EXPECT_EQ(stat->parentPID, 7) << name;
        EXPECT_EQ(stat->cpuTicks, 200u) << name;
    }
}

TEST(ProcessStat, MalformedOrTruncatedTextIsAbsent)
{
    const std::string full = statLine("bash");
    const std::string cases[] = {
        "",
        "1234 bash S 7",                                                                          // no parentheses
        "1234 (bash S 7 1 1",                                                                     // no closing parenthesis
        full.substr(0, full.find(" 300 ")),                                                       // cut before rss
        "1234 (bash) S x 1234 1234 0 -1 4194560 100 0 0 0 150 50 0 0 20 0 4 0 5000 123456 300",   // parent not a number
        "1234 (bash) S 7 1234 1234 0 -1 4194560 100 0 0 0 -150 50 0 0 20 0 4 0 5000 123456 300",  // negative ticks
        "1234 (bash) S 7 1234 1234 0 -1 4194560 100 0 0 0 99999999999999999999999 50 0 0 20 0 4 0 5000 123456 300",
    };
    for (const auto& text : cases)
        EXPECT_FALSE(parseProcessStat(text)) << text;
}
