// The binary form: "bplist00", the objects, a table of their offsets, and a 32-byte trailer
// that says where the table is, how wide its entries and the object references are, how many
// objects there are and which one is the top. Containers hold references (indexes into the
// offset table), so a hostile file can point anywhere, at itself, or at one object from
// everywhere; every read below is checked against the object area first.
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/linux/property_list_parsing.h"

namespace lopewell::property_list {

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr size_t kTrailerSize = 32;

Error malformed(std::string what)
{
    return Error { 0, "Malformed binary property list: " + std::move(what) };
}

std::string hexByte(unsigned value)
{
    constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

class BinaryReader {
public:
    explicit BinaryReader(std::span<const std::byte> bytes)
        : m_bytes(bytes)
    {
    }

    ErrorOr<PropertyList> read()
    {
        if (m_bytes.size() < kMagic.size() + 1 + 1 + kTrailerSize)
            return malformed("too short to hold a trailer");
        const size_t trailer = m_bytes.size() - kTrailerSize;
        m_offsetSize = unsigned(byteAt(trailer + 6));
        m_refSize = unsigned(byteAt(trailer + 7));
        m_objectCount = bigEndian(trailer + 8, 8);
        const uint64_t topObject = bigEndian(trailer + 16, 8);
        const uint64_t offsetTable = bigEndian(trailer + 24, 8);

        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return malformed("offsets of " + std::to_string(m_offsetSize) + " bytes and references of " + std::to_string(m_refSize) + " bytes");
        if (m_objectCount == 0)
            return malformed("no objects");
        if (topObject >= m_objectCount)
            return malformed("the top object is not in the offset table");
        if (offsetTable < kMagic.size() + 1 || offsetTable > trailer)
            return malformed("the offset table lies outside the file");
        if (m_objectCount > (trailer - offsetTable) / m_offsetSize)
            return malformed("the offset table of " + std::to_string(m_objectCount) + " objects does not fit in the file");
        m_offsetTable = size_t(offsetTable);
        m_objectsEnd = m_offsetTable;
        m_onPath.assign(size_t(m_objectCount), false);
        return readObject(topObject, 0);
    }

private:
    unsigned char byteAt(size_t at) const { return std::to_integer<unsigned char>(m_bytes[at]); }

    uint64_t bigEndian(size_t at, size_t width) const
    {
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value = (value << 8) | byteAt(at + i);
        return value;
    }

    // True when `length` bytes starting at `at` lie inside the object area.
    bool fits(size_t at, uint64_t length) const
    {
        return at <= m_objectsEnd && length <= m_objectsEnd - at;
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

    ErrorOr<PropertyList> readObject(uint64_t index, int depth)
    {
        if (depth > kPropertyListMaxDepth)
            return malformed("nested deeper than " + std::to_string(kPropertyListMaxDepth) + " levels");
        if (index >= m_objectCount)
            return malformed("a reference to object " + std::to_string(index) + " of " + std::to_string(m_objectCount));
        if (m_onPath[size_t(index)])
            return malformed("object " + std::to_string(index) + " contains itself");
        if (!m_budget.spendValue())
            return malformed("expands to more than " + std::to_string(kPropertyListMaxValues) + " values");

        const uint64_t offset = bigEndian(m_offsetTable + size_t(index) * m_offsetSize, m_offsetSize);
        if (offset < kMagic.size() || offset >= m_objectsEnd)
            return malformed("object " + std::to_string(index) + " lies outside the object area");
        const size_t at = size_t(offset);
        const unsigned marker = byteAt(at);
        const unsigned nibble = marker & 0xF;

        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09)
                return PropertyList::fromBoolean(marker == 0x09);
            break;
        case 0x1:
            return readInteger(at, nibble);
        case 0x2: {
            if (nibble != 2 && nibble != 3)
                break;
            const size_t width = size_t(1) << nibble;
            if (!fits(at + 1, width))
                return malformed("a real runs past the objects");
            if (width == 4)
                return PropertyList::fromReal(double(std::bit_cast<float>(uint32_t(bigEndian(at + 1, 4)))));
            return PropertyList::fromReal(std::bit_cast<double>(bigEndian(at + 1, 8)));
        }
        case 0x3: {
            if (nibble != 3)
                break;
            if (!fits(at + 1, 8))
                return malformed("a date runs past the objects");
            const double seconds = std::bit_cast<double>(bigEndian(at + 1, 8));
            if (std::isnan(seconds))
                return malformed("a date that is not a number");
            return PropertyList::fromDate(dateFromSecondsSinceReferenceDate(seconds));
        }
        case 0x4: {
            auto count = readCount(at, nibble);
            if (!count)
                return count.error();
            auto [length, start] = count.value();
            if (!fits(start, length))
                return malformed("data runs past the objects");
            if (!m_budget.spendBytes(size_t(length)))
                return tooLarge();
            const auto first = m_bytes.begin() + std::ptrdiff_t(start);
            return PropertyList::fromData(PropertyList::Data(first, first + std::ptrdiff_t(length)));
        }
        case 0x5:
        case 0x6: {
            auto text = readString(at);
            if (!text)
                return text.error();
            return PropertyList::fromString(std::move(text.value()));
        }
        case 0x8: {
            // A keyed archive's object reference; its XML form is a dictionary with one
            // "CF$UID" integer, and that is what it reads as here.
            const size_t width = nibble + 1;
            if (width > 8)
                return malformed("a UID of " + std::to_string(width) + " bytes");
            if (!fits(at + 1, width))
                return malformed("a UID runs past the objects");
            if (!m_budget.spendValue())
                return tooMany();
            PropertyList::Dictionary entries;
            entries.emplace_back("CF$UID", PropertyList::fromUnsignedInteger(bigEndian(at + 1, width)));
            return PropertyList::fromDictionary(std::move(entries));
        }
        case 0xA:
            return readArray(index, at, nibble, depth);
        case 0xD:
            return readDictionary(index, at, nibble, depth);
        default:
            break;
        }
        return malformed("unknown object type " + hexByte(marker));
    }

    Error tooLarge() const
    {
        return malformed("expands to more than " + std::to_string(kPropertyListMaxPayloadBytes) + " bytes of text and data");
    }
    Error tooMany() const
    {
        return malformed("expands to more than " + std::to_string(kPropertyListMaxValues) + " values");
    }

    ErrorOr<PropertyList> readInteger(size_t at, unsigned nibble) const
    {
        if (nibble > 4)
            return malformed("an integer of " + std::to_string(size_t(1) << std::min(nibble, 15u)) + " bytes");
        const size_t width = size_t(1) << nibble;
        if (!fits(at + 1, width))
            return malformed("an integer runs past the objects");
        if (width < 8)
            return PropertyList::fromInteger(int64_t(bigEndian(at + 1, width)));
        if (width == 8)
            return PropertyList::fromInteger(std::bit_cast<int64_t>(bigEndian(at + 1, 8)));
        // 128 bits: the writers use it for unsigned values above INT64_MAX; anything that
        // does not fit 64 bits either way is refused rather than cut short.
        const uint64_t high = bigEndian(at + 1, 8);
        const uint64_t low = bigEndian(at + 9, 8);
        if (high == 0)
            return PropertyList::fromUnsignedInteger(low);
        if (high == UINT64_MAX && (low >> 63) == 1)
            return PropertyList::fromInteger(std::bit_cast<int64_t>(low));
        return malformed("an integer wider than 64 bits");
    }

    // ASCII (0x5n) or UTF-16 big-endian (0x6n) text, as UTF-8.
    ErrorOr<std::string> readString(size_t at)
    {
        const unsigned marker = byteAt(at);
        auto count = readCount(at, marker & 0xF);
        if (!count)
            return count.error();
        auto [length, start] = count.value();
        std::string text;
        if ((marker >> 4) == 0x5) {
            if (!fits(start, length))
                return malformed("a string runs past the objects");
            text.reserve(size_t(length));
            for (size_t i = 0; i < length; ++i) {
                const unsigned char c = byteAt(start + i);
                if (c < 0x80)
                    text += char(c);
                else
                    appendUtf8(text, U'\uFFFD');
            }
        } else if ((marker >> 4) == 0x6) {
            if (length > (m_objectsEnd - std::min(start, m_objectsEnd)) / 2 || !fits(start, length * 2))
                return malformed("a string runs past the objects");
            text.reserve(size_t(length) * 3 / 2);
            for (size_t i = 0; i < length; ++i) {
                const char32_t unit = char32_t(bigEndian(start + 2 * i, 2));
                if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
                    const char32_t next = char32_t(bigEndian(start + 2 * (i + 1), 2));
                    if (next >= 0xDC00 && next <= 0xDFFF) {
                        appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                        ++i;
                        continue;
                    }
                }
                // A surrogate without its partner cannot be UTF-8.
                appendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? U'\uFFFD' : unit);
            }
        } else {
            return malformed("a dictionary key is not a string (marker " + hexByte(marker) + ")");
        }
        if (!m_budget.spendBytes(text.size()))
            return tooLarge();
        return text;
    }

    // Where `count` references of the object at `start` lie, checked.
    ErrorOr<size_t> referenceArea(size_t start, uint64_t count, uint64_t perEntry) const
    {
        const uint64_t available = m_objectsEnd - std::min(start, m_objectsEnd);
        if (count > available / perEntry)
            return malformed("a container of " + std::to_string(count) + " entries runs past the objects");
        if (count > kPropertyListMaxValues)
            return tooMany();
        return start;
    }

    uint64_t referenceAt(size_t at) const { return bigEndian(at, m_refSize); }

    ErrorOr<PropertyList> readArray(uint64_t index, size_t at, unsigned nibble, int depth)
    {
        auto count = readCount(at, nibble);
        if (!count)
            return count.error();
        auto [length, start] = count.value();
        if (auto area = referenceArea(start, length, m_refSize); !area)
            return area.error();

        PropertyList::Array elements;
        elements.reserve(size_t(length));
        m_onPath[size_t(index)] = true;
        for (size_t i = 0; i < length; ++i) {
            auto element = readObject(referenceAt(start + i * m_refSize), depth + 1);
            if (!element)
                return element.error();
            elements.push_back(std::move(element.value()));
        }
        m_onPath[size_t(index)] = false;
        return PropertyList::fromArray(std::move(elements));
    }

    ErrorOr<PropertyList> readDictionary(uint64_t index, size_t at, unsigned nibble, int depth)
    {
        auto count = readCount(at, nibble);
        if (!count)
            return count.error();
        auto [length, start] = count.value();
        if (auto area = referenceArea(start, length, uint64_t(m_refSize) * 2); !area)
            return area.error();

        PropertyList::Dictionary entries;
        entries.reserve(size_t(length));
        m_onPath[size_t(index)] = true;
        const size_t values = start + size_t(length) * m_refSize;
        for (size_t i = 0; i < length; ++i) {
            auto key = readKey(referenceAt(start + i * m_refSize));
            if (!key)
                return key.error();
            auto value = readObject(referenceAt(values + i * m_refSize), depth + 1);
            if (!value)
                return value.error();
            entries.emplace_back(std::move(key.value()), std::move(value.value()));
        }
        m_onPath[size_t(index)] = false;
        return PropertyList::fromDictionary(std::move(entries));
    }

    ErrorOr<std::string> readKey(uint64_t index)
    {
        if (index >= m_objectCount)
            return malformed("a reference to object " + std::to_string(index) + " of " + std::to_string(m_objectCount));
        const uint64_t offset = bigEndian(m_offsetTable + size_t(index) * m_offsetSize, m_offsetSize);
        if (offset < kMagic.size() || offset >= m_objectsEnd)
            return malformed("object " + std::to_string(index) + " lies outside the object area");
        return readString(size_t(offset));
    }

    std::span<const std::byte> m_bytes;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_objectCount = 0;
    size_t m_offsetTable = 0;
    size_t m_objectsEnd = 0;
    std::vector<bool> m_onPath;
    Budget m_budget;
};

}  // namespace

ErrorOr<PropertyList> parseBinary(std::span<const std::byte> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!text.starts_with(kMagic)) {
        if (text.size() >= kMagic.size())
            return Error { 0, "Unsupported binary property list version \"" + validUtf8(text.substr(0, kMagic.size())) + "\"" };
        return malformed("too short to hold a trailer");
    }
    return BinaryReader(bytes).read();
}

}  // namespace lopewell::property_list
