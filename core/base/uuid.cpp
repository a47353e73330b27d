#include "core/base/uuid.h"

#include <random>

namespace lopewell {

Uuid Uuid::random()
{
    // One seeded engine per thread: random_device is a system call, an mt19937_64 draw is not.
    thread_local std::mt19937_64 engine { std::random_device {}() ^ (uint64_t(std::random_device {}()) << 32) };
    Uuid uuid;
    for (size_t i = 0; i < 16; i += 8) {
        uint64_t word = engine();
        for (size_t j = 0; j < 8; ++j)
            uuid.m_bytes[i + j] = uint8_t(word >> (8 * j));
    }
    uuid.m_bytes[6] = uint8_t((uuid.m_bytes[6] & 0x0F) | 0x40);
    uuid.m_bytes[8] = uint8_t((uuid.m_bytes[8] & 0x3F) | 0x80);
    return uuid;
}

std::string Uuid::toString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[m_bytes[i] >> 4];
        text += digits[m_bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace lopewell
