#include "core/format/byte_count_formatter.h"

#include <limits>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

struct Case {
    uint64_t bytes;
    const char* file;
    const char* memory;
};

TEST(ByteCountFormatter, WordsCountsLikeTheDesktopInBothStyles)
{
    const Case cases[] = {
        { 0, "Zero KB", "Zero KB" },
        { 1, "1 byte", "1 byte" },
        { 2, "2 bytes", "2 bytes" },
        { 512, "512 bytes", "512 bytes" },
        { 999, "999 bytes", "999 bytes" },
        { 1000, "1 KB", "1,000 bytes" },
        { 1023, "1 KB", "1,023 bytes" },
        { 1024, "1 KB", "1 KB" },
        { 1500, "2 KB", "1 KB" },
        { 999'499, "999 KB", "976 KB" },
        { 999'999, "1 MB", "977 KB" },
        { 1'047'552, "1 MB", "1 MB" },  // 1,023 KB in memory style: never "1,023 KB"
        { 1'500'000, "1.5 MB", "1.4 MB" },
        { 2'000'000, "2 MB", "1.9 MB" },
        { 999'950'000, "1 GB", "953.6 MB" },  // 999.95 MB rounds to 1,000.0
        { 3'400'000'000, "3.4 GB", "3.17 GB" },
        { 3'460'000'000, "3.46 GB", "3.22 GB" },
        { 17'179'869'184, "17.18 GB", "16 GB" },
        { 1'234'567'890'123, "1.23 TB", "1.12 TB" },
        { 5'000'000'000'000'000, "5 PB", "4.44 PB" },
        { std::numeric_limits<uint64_t>::max(), "18.45 EB", "16 EB" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(formatByteCount(c.bytes, ByteCountStyle::file), c.file);
        EXPECT_EQ(formatByteCount(c.bytes, ByteCountStyle::memory), c.memory);
    }
}

TEST(ByteCountFormatter, ARestrictedRangeNeverShowsANonZeroCountAsZero)
{
    const ByteUnitRange kbToGb { ByteUnit::kilobytes, ByteUnit::gigabytes };
    const Case cases[] = {
        { 0, "Zero KB", "Zero KB" },
        { 1, "1 KB", "1 KB" },
        { 100, "1 KB", "1 KB" },
        { 512, "1 KB", "1 KB" },
        { 1536, "2 KB", "2 KB" },
        { 5'000'000'000'000, "5,000 GB", "4,656.61 GB" },  // above GB the count stays in GB
        { 5'497'558'138'880, "5,497.56 GB", "5,120 GB" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(formatByteCount(c.bytes, ByteCountStyle::file, kbToGb), c.file);
        EXPECT_EQ(formatByteCount(c.bytes, ByteCountStyle::memory, kbToGb), c.memory);
    }
}

TEST(ByteCountFormatter, BytesOnlyCountsEveryByteWithSeparators)
{
    const ByteUnitRange bytesOnly { ByteUnit::bytes, ByteUnit::bytes };
    EXPECT_EQ(formatByteCount(0, ByteCountStyle::file, bytesOnly), "Zero bytes");
    EXPECT_EQ(formatByteCount(1, ByteCountStyle::file, bytesOnly), "1 byte");
    EXPECT_EQ(formatByteCount(1'234'567, ByteCountStyle::memory, bytesOnly), "1,234,567 bytes");
}

}  // namespace
}  // namespace lopewell
