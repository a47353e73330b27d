// What the XML and binary property-list readers share: the two entry points, text clean-up,
// and the limits on how much one document may build.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/property_list.h"

namespace lopewell::property_list {

ErrorOr<PropertyList> parseBinary(std::span<const std::byte> bytes);
ErrorOr<PropertyList> parseXml(std::string_view bytes);

// Valid UTF-8 as it is; each byte that does not start a valid sequence (overlong forms,
// surrogates and values past U+10FFFF included) becomes U+FFFD.
std::string validUtf8(std::string_view bytes);

// Appends code point `c` (at most U+10FFFF, not a surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t c);

// Keeps the last value of a repeated key, at the first one's position.
void keepLastOfEachKey(PropertyList::Dictionary& entries);

// Counts what the XML reader builds. (The binary reader measures a whole file before building
// anything, since shared references let a small file stand for a huge tree.)
class Budget {
public:
    // False once the tree would exceed the limits of property_list.h.
    bool spendValue() { return ++m_values <= kPropertyListMaxValues; }
    bool spendBytes(std::size_t bytes)
    {
        if (bytes > kPropertyListMaxPayloadBytes - m_bytes)
            return false;
        m_bytes += bytes;
        return true;
    }

private:
    std::size_t m_values = 0;
    std::size_t m_bytes = 0;
};

}  // namespace lopewell::property_list
