#include "core/launchd/launchctl_list.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using Jobs = std::map<std::string, std::optional<int32_t>, std::less<>>;

TEST(LaunchctlList, OnlyTheHeaderOrNothingGivesNoJobs)
{
    EXPECT_EQ(parseLaunchctlList(""), Jobs {});
    EXPECT_EQ(parseLaunchctlList("PID\tStatus\tLabel\n"), Jobs {});
    EXPECT_EQ(parseLaunchctlList("\n\n-\t0\tcom.example.first\n"), Jobs {}) << "the first non-empty line is the header";
}

TEST(LaunchctlList, ReadsPidsLabelsAndSeparatorsAsLaunchctlPrintsThem)
{
    const Jobs jobs = parseLaunchctlList("PID\tStatus\tLabel\n"
                                         "412\t0\tcom.example.running\n"
                                         "-\t0\tcom.example.loaded\n"
                                         "77    -9   com.example.spaces\n"
                                         " \t 88 \t\t 0 \t com.example.mixed \n"
                                         "onlytwo fields\n"
                                         "5\t0\tcom.example.extra\tfourth\n"
                                         "\n"
                                         "12ab\t0\tcom.example.garbage\n"
                                         "2147483648\t0\tcom.example.overflow\n"
                                         "-2147483648\t0\tcom.example.lowest\n"
                                         "+9\t0\tcom.example.plus\n"
                                         "1\t0\tcom.example.twice\n"
                                         "-\t0\tcom.example.twice\n");
    EXPECT_EQ(jobs,
        (Jobs {
            { "com.example.running", 412 },
            { "com.example.loaded", std::nullopt },
            { "com.example.spaces", 77 },
            { "com.example.mixed", 88 },
            { "com.example.extra", 5 },
            { "com.example.garbage", std::nullopt },
            { "com.example.overflow", std::nullopt },
            { "com.example.lowest", INT32_MIN },
            { "com.example.plus", 9 },
            { "com.example.twice", std::nullopt },
        }));
}

TEST(LaunchctlList, PidFieldsAreStrictSigned32BitNumbers)
{
    const std::pair<std::string_view, std::optional<int32_t>> cases[] = {
        { "0", 0 },
        { "2147483647", INT32_MAX },
        { "2147483648", std::nullopt },
        { "-2147483649", std::nullopt },
        { "99999999999999999999999", std::nullopt },
        { "-", std::nullopt },
        { "+", std::nullopt },
        { "", std::nullopt },
        { "1.5", std::nullopt },
        { "--1", std::nullopt },
        { "0x10", std::nullopt },
        { "12ab", std::nullopt },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseLaunchctlPid(text), expected) << text;
}

TEST(LaunchctlList, FailureDescriptionsTrimTheErrorText)
{
    EXPECT_EQ(launchctlFailureDescription("bootout", 3, ""), "launchctl bootout failed (status 3)");
    EXPECT_EQ(launchctlFailureDescription("bootout", 3, " \n\t\n"), "launchctl bootout failed (status 3)");
    EXPECT_EQ(launchctlFailureDescription("bootstrap", 5, "Boot-out failed: 5: Input/output error\n"),
        "launchctl bootstrap failed (status 5): Boot-out failed: 5: Input/output error");
    EXPECT_EQ(launchctlFailureDescription("bootout", -1, "  two\nlines \n"), "launchctl bootout failed (status -1): two\nlines");
}

}  // namespace
}  // namespace lopewell
