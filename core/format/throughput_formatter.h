// Network throughput texts: "12.5 Mbps" in bits, "1.5 MB/s" in bytes.
//
//   ThroughputFormatter::string(rxBytesPerSecond, NetworkSpeedUnit::bits);  // "1.0 Gbps"
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/base/raw_value.h"

namespace lopewell {

enum class NetworkSpeedUnit { bytes, bits };

template <>
struct RawValues<NetworkSpeedUnit> {
    static constexpr std::array entries {
        std::pair { NetworkSpeedUnit::bytes, std::string_view("bytes") },
        std::pair { NetworkSpeedUnit::bits, std::string_view("bits") },
    };
};

// As its raw value; an unknown value throws nlohmann's type_error, to be caught where JSON is read.
LOPEWELL_RAW_VALUE_JSON(NetworkSpeedUnit)

class ThroughputFormatter {
public:
    ThroughputFormatter() = delete;

    // Bits: decimal steps, "%.1f Gbps/Mbps/Kbps" or "%.0f bps". Bytes: a 1,024-based byte count
    // in KB, MB or GB followed by "/s". Negative rates show as zero; so do NaN and infinity,
    // which no real measurement produces.
    static std::string string(double bytesPerSecond, NetworkSpeedUnit unit);
};

}  // namespace lopewell
