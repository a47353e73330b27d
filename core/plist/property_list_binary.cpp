// The binary form: "bplist00", the objects, a table of their offsets, and a 32-byte trailer
// that says where the table is, how wide its entries and the object references are, how many
// objects there are and which one is the top. Containers hold references (indexes into the
// offset table), so a hostile file can point anywhere, at itself, or at one object from
// everywhere; every read below is checked against the object area first.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>

#include "core/base/utf8.h"
#include "core/plist/property_list_parsing.h"

namespace lopewell::property_list {

namespace {

constexpr std::string_view magic = "bplist00";
constexpr size_t trailerSize = 32;

Error malformed(std::string what)
{
    return Error { 0, "Malformed binary property list: " + std::move(what) };
}

std::string hexByte(unsigned value)
{
    constexpr char hexDigits[] = "0123456789abcdef";
    return std::string("0x") + hexDigits[(value >> 4) & 0xF] + hexDigits[value & 0xF];
}

class BinaryReader {
public:
    explicit BinaryReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    ErrorOr<PropertyList> read()
    {
        if (m_bytes.size() < magic.size() + 1 + 1 + trailerSize)
            return malformed("too short to hold a trailer");
        const size_t trailer = m_bytes.size() - trailerSize;
        m_offsetSize = unsigned(byteAt(trailer + 6));
        m_refSize = unsigned(byteAt(trailer + 7));
        m_objectCount = bigEndian(trailer + 8, 8);
        const uint64_t topObject = bigEndian(trailer + 16, 8);
        const uint64_t offsetTable = bigEndian(trailer + 24, 8);

        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return malformed(
                "offsets of " + std::to_string(m_offsetSize) + " bytes and references of " + std::to_string(m_refSize) + " bytes");
        if (m_objectCount == 0)
            return malformed("no objects");
        if (topObject >= m_objectCount)
            return malformed("the top object is not in the offset table");
        if (offsetTable < magic.size() + 1 || offsetTable > trailer)
            return malformed("the offset table lies outside the file");
        if (m_objectCount > (trailer - offsetTable) / m_offsetSize)
            return malformed("the offset table of " + std::to_string(m_objectCount) + " objects does not fit in the file");
        // Each reachable object is at least one value, and writers leave none unreachable.
        if (m_objectCount > propertyListMaxValues)
            return tooMany();
        m_offsetTable = size_t(offsetTable);
        m_objectsEnd = m_offsetTable;

        // Everything reachable is checked, and the size of the tree it expands to measured,
        // before anything is built: a hostile file is refused in time linear in its size.
        m_extents.assign(size_t(m_objectCount), Extent {});
        auto extent = measure(topObject, 0);
        if (!extent)
            return extent.error();
        if (extent.value().height > unsigned(propertyListMaxDepth))
            return tooDeep();
        return build(topObject);
    }

private:
    // One object's marker, and for data, strings and containers its count and where the
    // contents start (already checked to lie inside the object area).
    struct Object {
        unsigned marker = 0;
        uint64_t count = 0;
        size_t start = 0;

        unsigned type() const { return marker >> 4; }
    };

    // What an object expands to. Each object is measured once; references to it reuse this.
    struct Extent {
        enum class State : uint8_t { unvisited, measuring, measured } state = State::unvisited;
        unsigned height = 0;  // levels of containers below it
        uint64_t values = 0;
        uint64_t bytes = 0;  // an upper bound of its text and data
    };

    unsigned char byteAt(size_t at) const { return std::to_integer<unsigned char>(m_bytes[at]); }

    uint64_t bigEndian(size_t at, size_t width) const
    {
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value = (value << 8) | byteAt(at + i);
        return value;
    }

    // True when `length` bytes starting at `at` lie inside the object area.
    bool fits(size_t at, uint64_t length) const { return at <= m_objectsEnd && length <= m_objectsEnd - at; }

    static Error tooDeep() { return malformed("nested deeper than " + std::to_string(propertyListMaxDepth) + " levels"); }
    static Error tooMany() { return malformed("expands to more than " + std::to_string(propertyListMaxValues) + " values"); }
    static Error tooLarge()
    {
        return malformed("expands to more than " + std::to_string(propertyListMaxPayloadBytes) + " bytes of text and data");
    }

    // The count of a container, string or data object: in the marker's low nibble, or after it
    // as an integer object when the nibble is 0xF. Answers the count and where the contents start.
    ErrorOr<std::pair<uint64_t, size_t>> readCount(size_t at, unsigned nibble) const
    {
        if (nibble != 0xF)
            return std::pair { uint64_t(nibble), at + 1 };
        if (!fits(at + 1, 1))
            return malformed("a count runs past the objects");
        const unsigned marker = byteAt(at + 1);
        if ((marker >> 4) != 0x1 || (marker & 0xF) > 3)
            return malformed("a count is not an integer (marker " + hexByte(marker) + ")");
        const size_t width = size_t(1) << (marker & 0xF);
        if (!fits(at + 2, width))
            return malformed("a count runs past the objects");
        return std::pair { bigEndian(at + 2, width), at + 2 + width };
    }

    ErrorOr<Object> object(uint64_t index) const
    {
        if (index >= m_objectCount)
            return malformed("a reference to object " + std::to_string(index) + " of " + std::to_string(m_objectCount));
        const uint64_t offset = bigEndian(m_offsetTable + size_t(index) * m_offsetSize, m_offsetSize);
        if (offset < magic.size() || offset >= m_objectsEnd)
            return malformed("object " + std::to_string(index) + " lies outside the object area");
        const size_t at = size_t(offset);
        Object result { byteAt(at), 0, at + 1 };
        const unsigned nibble = result.marker & 0xF;

        switch (result.type()) {
        case 0x0:
            if (result.marker == 0x08 || result.marker == 0x09)
                return result;
            break;
        case 0x1:
            if (nibble > 4)
                return malformed("an integer of " + std::to_string(size_t(1) << nibble) + " bytes");
            if (!fits(result.start, size_t(1) << nibble))
                return malformed("an integer runs past the objects");
            return result;
        case 0x2:
            if (nibble != 2 && nibble != 3)
                break;
            if (!fits(result.start, size_t(1) << nibble))
                return malformed("a real runs past the objects");
            return result;
        case 0x3:
            if (nibble != 3)
                break;
            if (!fits(result.start, 8))
                return malformed("a date runs past the objects");
            return result;
        case 0x8:
            // A keyed archive's object reference.
            if (nibble + 1 > 8)
                return malformed("a UID of " + std::to_string(nibble + 1) + " bytes");
            if (!fits(result.start, nibble + 1))
                return malformed("a UID runs past the objects");
            return result;
        case 0x4:
        case 0x5:
        case 0x6:
        case 0xA:
        case 0xD: {
            auto count = readCount(at, nibble);
            if (!count)
                return count.error();
            std::tie(result.count, result.start) = count.value();
            // Bytes per entry; the division keeps count x width from overflowing.
            const uint64_t width = result.type() == 0x6 ? 2 : result.type() == 0xA ? m_refSize : result.type() == 0xD ? 2 * m_refSize : 1;
            if (!fits(result.start, 0) || result.count > (m_objectsEnd - result.start) / width) {
                const char* what = result.type() == 0x4 ? "data" : result.type() <= 0x6 ? "a string" : "a container";
                return malformed(std::string(what) + " of " + std::to_string(result.count) + " entries runs past the objects");
            }
            return result;
        }
        default:
            break;
        }
        return malformed("unknown object type " + hexByte(result.marker));
    }

    uint64_t referenceAt(size_t at) const { return bigEndian(at, m_refSize); }

    ErrorOr<Extent> measure(uint64_t index, unsigned depth)
    {
        if (depth > unsigned(propertyListMaxDepth))
            return tooDeep();
        auto found = object(index);
        if (!found)
            return found.error();
        const Object item = found.value();
        Extent& memo = m_extents[size_t(index)];
        if (memo.state == Extent::State::measured)
            return memo;
        if (memo.state == Extent::State::measuring)
            return malformed("object " + std::to_string(index) + " contains itself");

        Extent extent { Extent::State::measured, 0, 1, 0 };
        switch (item.type()) {
        case 0x4:
            extent.bytes = item.count;
            break;
        case 0x5:
        case 0x6:
            // Each byte or UTF-16 unit becomes at most three bytes of UTF-8.
            extent.bytes = item.count * 3;
            break;
        case 0x8:
            extent.values = 2;  // read as a dictionary holding one integer
            break;
        case 0xA:
        case 0xD: {
            memo.state = Extent::State::measuring;
            const bool dictionary = item.type() == 0xD;
            const size_t values = item.start + (dictionary ? size_t(item.count) * m_refSize : 0);
            for (size_t i = 0; i < item.count; ++i) {
                if (dictionary) {
                    auto key = object(referenceAt(item.start + i * m_refSize));
                    if (!key)
                        return key.error();
                    if (key.value().type() != 0x5 && key.value().type() != 0x6)
                        return malformed("a dictionary key is not a string (marker " + hexByte(key.value().marker) + ")");
                    extent.bytes += key.value().count * 3;
                }
                auto child = measure(referenceAt(values + i * m_refSize), depth + 1);
                if (!child)
                    return child.error();
                extent.height = std::max(extent.height, child.value().height + 1);
                extent.values += child.value().values;
                extent.bytes += child.value().bytes;
                // Both stay far below overflow: each addend is at most a limit plus a file's worth.
                if (extent.values > propertyListMaxValues)
                    return tooMany();
                if (extent.bytes > propertyListMaxPayloadBytes)
                    return tooLarge();
                if (extent.height > unsigned(propertyListMaxDepth))
                    return tooDeep();
            }
            break;
        }
        default:
            break;
        }
        if (extent.values > propertyListMaxValues)
            return tooMany();
        if (extent.bytes > propertyListMaxPayloadBytes)
            return tooLarge();
        m_extents[size_t(index)] = extent;
        return extent;
    }

    // Builds the value of an object that measure() has checked, with everything below it.
    ErrorOr<PropertyList> build(uint64_t index)
    {
        auto found = object(index);
        if (!found)
            return found.error();
        const Object item = found.value();
        const unsigned nibble = item.marker & 0xF;

        switch (item.type()) {
        case 0x0:
            return PropertyList::fromBoolean(item.marker == 0x09);
        case 0x1:
            return readInteger(item.start, nibble);
        case 0x2:
            if (nibble == 2)
                return PropertyList::fromReal(double(std::bit_cast<float>(uint32_t(bigEndian(item.start, 4)))));
            return PropertyList::fromReal(std::bit_cast<double>(bigEndian(item.start, 8)));
        case 0x3: {
            const double seconds = std::bit_cast<double>(bigEndian(item.start, 8));
            if (std::isnan(seconds))
                return malformed("a date that is not a number");
            return PropertyList::fromDate(dateFromSecondsSinceReferenceDate(seconds));
        }
        case 0x4: {
            const auto first = m_bytes.begin() + std::ptrdiff_t(item.start);
            return PropertyList::fromData(PropertyList::Data(first, first + std::ptrdiff_t(item.count)));
        }
        case 0x5:
        case 0x6:
            return PropertyList::fromString(text(item));
        case 0x8: {
            // The XML form of a UID is a dictionary with one "CF$UID" integer, and so is ours.
            PropertyList::Dictionary entries;
            entries.emplace_back("CF$UID", PropertyList::fromUnsignedInteger(bigEndian(item.start, nibble + 1)));
            return PropertyList::fromDictionary(std::move(entries));
        }
        case 0xA: {
            PropertyList::Array elements;
            elements.reserve(size_t(item.count));
            for (size_t i = 0; i < item.count; ++i) {
                auto element = build(referenceAt(item.start + i * m_refSize));
                if (!element)
                    return element.error();
                elements.push_back(std::move(element.value()));
            }
            return PropertyList::fromArray(std::move(elements));
        }
        case 0xD: {
            PropertyList::Dictionary entries;
            entries.reserve(size_t(item.count));
            const size_t values = item.start + size_t(item.count) * m_refSize;
            for (size_t i = 0; i < item.count; ++i) {
                auto key = object(referenceAt(item.start + i * m_refSize));
                if (!key)
                    return key.error();
                auto value = build(referenceAt(values + i * m_refSize));
                if (!value)
                    return value.error();
                entries.emplace_back(text(key.value()), std::move(value.value()));
            }
            return PropertyList::fromDictionary(std::move(entries));
        }
        default:
            return malformed("unknown object type " + hexByte(item.marker));
        }
    }

    ErrorOr<PropertyList> readInteger(size_t start, unsigned nibble) const
    {
        const size_t width = size_t(1) << nibble;
        if (width < 8)
            return PropertyList::fromInteger(int64_t(bigEndian(start, width)));
        if (width == 8)
            return PropertyList::fromInteger(std::bit_cast<int64_t>(bigEndian(start, 8)));
        // 128 bits: the writers use it for unsigned values above INT64_MAX; anything that
        // does not fit 64 bits either way is refused rather than cut short.
        const uint64_t high = bigEndian(start, 8);
        const uint64_t low = bigEndian(start + 8, 8);
        if (high == 0)
            return PropertyList::fromUnsignedInteger(low);
        if (high == UINT64_MAX && (low >> 63) == 1)
            return PropertyList::fromInteger(std::bit_cast<int64_t>(low));
        return malformed("an integer wider than 64 bits");
    }

    // ASCII (0x5n) or UTF-16 big-endian (0x6n) text, as UTF-8.
    std::string text(const Object& item) const
    {
        std::string result;
        if (item.type() == 0x5) {
            result.reserve(size_t(item.count));
            for (size_t i = 0; i < item.count; ++i) {
                const unsigned char c = byteAt(item.start + i);
                if (c < 0x80)
                    result += char(c);
                else
                    utf8::append(result, U'\uFFFD');
            }
            return result;
        }
        result.reserve(size_t(item.count) * 3 / 2);
        for (size_t i = 0; i < item.count; ++i) {
            const char32_t unit = char32_t(bigEndian(item.start + 2 * i, 2));
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < item.count) {
                const char32_t next = char32_t(bigEndian(item.start + 2 * (i + 1), 2));
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    utf8::append(result, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                    ++i;
                    continue;
                }
            }
            // A surrogate without its partner cannot be UTF-8.
            utf8::append(result, unit >= 0xD800 && unit <= 0xDFFF ? U'\uFFFD' : unit);
        }
        return result;
    }

    std::span<const std::byte> m_bytes;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_objectCount = 0;
    size_t m_offsetTable = 0;
    size_t m_objectsEnd = 0;
    std::vector<Extent> m_extents;
};

}  // namespace

ErrorOr<PropertyList> parseBinary(std::span<const std::byte> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!text.starts_with(magic)) {
        if (text.size() >= magic.size())
            return Error { 0, "Unsupported binary property list version \"" + utf8::withReplacements(text.substr(0, magic.size())) + "\"" };
        return malformed("too short to hold a trailer");
    }
    return BinaryReader(bytes).read();
}

}  // namespace lopewell::property_list
