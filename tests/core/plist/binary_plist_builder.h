// Assembles binary property lists byte by byte, so tests can write valid files and then break
// exactly one thing about them (a trailer field, an offset, a reference, a count).
//
//   BinaryPlistBuilder plist;
//   auto name = plist.add(asciiString("name"));
//   auto value = plist.add(asciiString("iPhone 15"));
//   plist.add(plist.dictionary({ name }, { value }));
//   std::string bytes = plist.build(2);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lopewell::testing {

inline std::string bigEndian(uint64_t value, unsigned width)
{
    std::string bytes;
    for (unsigned i = width; i-- > 0;)
        bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

// The marker byte with its count, extended by an integer object when it does not fit the nibble.
inline std::string marker(unsigned type, uint64_t count)
{
    if (count < 15)
        return std::string(1, char((type << 4) | count));
    if (count <= 0xFF)
        return std::string(1, char((type << 4) | 0xF)) + '\x10' + bigEndian(count, 1);
    if (count <= 0xFFFF)
        return std::string(1, char((type << 4) | 0xF)) + '\x11' + bigEndian(count, 2);
    if (count <= 0xFFFFFFFF)
        return std::string(1, char((type << 4) | 0xF)) + '\x12' + bigEndian(count, 4);
    return std::string(1, char((type << 4) | 0xF)) + '\x13' + bigEndian(count, 8);
}

// An integer object of 1, 2, 4, 8 or 16 bytes holding `bits` (the low 64 bits for 16; `high`
// gives the upper half).
inline std::string integerObject(unsigned width, uint64_t bits, uint64_t high = 0)
{
    const unsigned nibble = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : width == 8 ? 3 : 4;
    if (width == 16)
        return char(0x14) + bigEndian(high, 8) + bigEndian(bits, 8);
    return char(0x10 | nibble) + bigEndian(bits, width);
}

inline std::string asciiString(const std::string& text)
{
    return marker(0x5, text.size()) + text;
}

inline std::string utf16String(const std::vector<uint16_t>& units)
{
    std::string bytes = marker(0x6, units.size());
    for (uint16_t unit : units)
        bytes += bigEndian(unit, 2);
    return bytes;
}

inline std::string dataObject(const std::string& bytes)
{
    return marker(0x4, bytes.size()) + bytes;
}

class BinaryPlistBuilder {
public:
    explicit BinaryPlistBuilder(unsigned refSize = 1, unsigned offsetSize = 1) : m_refSize(refSize), m_offsetSize(offsetSize) {}

    uint64_t add(std::string object)
    {
        m_objects.push_back(std::move(object));
        return m_objects.size() - 1;
    }

    std::string array(const std::vector<uint64_t>& refs) const
    {
        std::string bytes = marker(0xA, refs.size());
        for (uint64_t ref : refs)
            bytes += bigEndian(ref, m_refSize);
        return bytes;
    }

    std::string dictionary(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values) const
    {
        std::string bytes = marker(0xD, keys.size());
        for (uint64_t ref : keys)
            bytes += bigEndian(ref, m_refSize);
        for (uint64_t ref : values)
            bytes += bigEndian(ref, m_refSize);
        return bytes;
    }

    std::string build(uint64_t top) const
    {
        std::string bytes = "bplist00";
        std::vector<uint64_t> offsets;
        for (const std::string& object : m_objects) {
            offsets.push_back(bytes.size());
            bytes += object;
        }
        const uint64_t offsetTable = bytes.size();
        for (uint64_t offset : offsets)
            bytes += bigEndian(offset, m_offsetSize);
        bytes += std::string(6, '\0');
        bytes += char(m_offsetSize);
        bytes += char(m_refSize);
        bytes += bigEndian(m_objects.size(), 8);
        bytes += bigEndian(top, 8);
        bytes += bigEndian(offsetTable, 8);
        return bytes;
    }

private:
    unsigned m_refSize;
    unsigned m_offsetSize;
    std::vector<std::string> m_objects;
};

// Trailer fields by their offset from the end of the file.
inline constexpr size_t trailerOffsetSize = 32 - 6;
inline constexpr size_t trailerRefSize = 32 - 7;
inline constexpr size_t trailerObjectCount = 32 - 8;
inline constexpr size_t trailerTopObject = 32 - 16;
inline constexpr size_t trailerOffsetTable = 32 - 24;

inline std::string withTrailerField(std::string bytes, size_t fromEnd, uint64_t value, unsigned width = 8)
{
    bytes.replace(bytes.size() - fromEnd, width, bigEndian(value, width));
    return bytes;
}

}  // namespace lopewell::testing
