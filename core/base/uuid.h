// A random (version 4) UUID. Samples carry one so that two equal readings stay distinct.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lopewell {

class Uuid {
public:
    static Uuid random();

    std::string toString() const;  // 8-4-4-4-12 upper-case hex, as the platform prints UUIDs
    const std::array<uint8_t, 16>& bytes() const { return m_bytes; }

    bool operator==(const Uuid&) const = default;
    auto operator<=>(const Uuid&) const = default;

private:
    std::array<uint8_t, 16> m_bytes {};
};

}  // namespace lopewell
