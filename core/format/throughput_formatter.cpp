#include "core/format/throughput_formatter.h"

#include <cmath>
#include <cstdint>

#include "core/format/byte_count_formatter.h"
#include "core/format/decimal_text.h"

namespace lopewell {

namespace {

std::string bitsText(double bytesPerSecond)
{
    double bits = bytesPerSecond * 8;
    if (bits >= 1e9)
        return fixedPoint(bits / 1e9, 1) + " Gbps";
    if (bits >= 1e6)
        return fixedPoint(bits / 1e6, 1) + " Mbps";
    if (bits >= 1000)
        return fixedPoint(bits / 1000, 1) + " Kbps";
    return fixedPoint(bits, 0) + " bps";
}

std::string bytesText(double bytesPerSecond)
{
    // Truncated toward zero, and kept within a signed 64-bit count.
    constexpr double signedLimit = 9'223'372'036'854'775'807.0;
    uint64_t bytes = bytesPerSecond >= signedLimit ? uint64_t(INT64_MAX) : uint64_t(bytesPerSecond);
    return formatByteCount(bytes, ByteCountStyle::memory, { ByteUnit::kilobytes, ByteUnit::gigabytes }) + "/s";
}

}  // namespace

std::string ThroughputFormatter::string(double bytesPerSecond, NetworkSpeedUnit unit)
{
    // "<= 0" also turns -0.0 into 0, which would otherwise print as "-0 bps".
    if (!std::isfinite(bytesPerSecond) || bytesPerSecond <= 0)
        bytesPerSecond = 0;
    return unit == NetworkSpeedUnit::bits ? bitsText(bytesPerSecond) : bytesText(bytesPerSecond);
}

}  // namespace lopewell
