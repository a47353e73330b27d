// What the XML and binary property-list readers share: the two entry points, repeated keys
// and the limits on how much one document may build.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/plist/property_list.h"

namespace lopewell::property_list {

ErrorOr<PropertyList> parseBinary(std::span<const std::byte> bytes);
ErrorOr<PropertyList> parseXml(std::string_view bytes);

// Keeps the last value of a repeated key, at the first one's position.
void keepLastOfEachKey(PropertyList::Dictionary& entries);

// Counts what the XML reader builds. (The binary reader measures a whole file before building
// anything, since shared references let a small file stand for a huge tree.)
class Budget {
public:
    // False once the tree would exceed the limits of property_list.h.
    bool spendValue() { return ++m_values <= propertyListMaxValues; }
    bool spendBytes(std::size_t bytes)
    {
        if (bytes > propertyListMaxPayloadBytes - m_bytes)
            return false;
        m_bytes += bytes;
        return true;
    }

private:
    std::size_t m_values = 0;
    std::size_t m_bytes = 0;
};

}  // namespace lopewell::property_list
