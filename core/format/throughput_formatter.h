// Network throughput texts: "12.5 Mbps" in bits, "1.5 MB/s" in bytes.
//
//   ThroughputFormatter::string(rxBytesPerSecond, NetworkSpeedUnit::bits);  // "1.0 Gbps"
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace lopewell {

enum class NetworkSpeedUnit { bytes, bits };

inline constexpr std::array<NetworkSpeedUnit, 2> allNetworkSpeedUnits { NetworkSpeedUnit::bytes, NetworkSpeedUnit::bits };

std::string_view toString(NetworkSpeedUnit unit);  // "bytes", "bits"
std::optional<NetworkSpeedUnit> networkSpeedUnitFromString(std::string_view rawValue);

// As its raw value; an unknown value throws nlohmann's type_error, to be caught where JSON is read.
void to_json(nlohmann::json& json, NetworkSpeedUnit unit);
void from_json(const nlohmann::json& json, NetworkSpeedUnit& unit);

class ThroughputFormatter {
public:
    ThroughputFormatter() = delete;

    // Bits: decimal steps, "%.1f Gbps/Mbps/Kbps" or "%.0f bps". Bytes: a 1,024-based byte count
    // in KB, MB or GB followed by "/s". Negative rates show as zero; so do NaN and infinity,
    // which no real measurement produces.
    static std::string string(double bytesPerSecond, NetworkSpeedUnit unit);
};

}  // namespace lopewell
