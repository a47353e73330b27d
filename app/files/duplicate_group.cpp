#include "app/files/duplicate_group.h"

#include <algorithm>
#include <limits>

namespace lopewell {

namespace {

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when there is none.
std::size_t sequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        codePoint = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        codePoint = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    static constexpr std::uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (codePoint < smallest[length] || (codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff)
        return 0;
    return length;
}

}  // namespace

std::uint64_t DuplicateGroup::reclaimableBytes() const
{
    if (files.size() < 2)
        return 0;
    const std::uint64_t copies = files.size() - 1;
    if (size != 0 && copies > std::numeric_limits<std::uint64_t>::max() / size)
        return std::numeric_limits<std::uint64_t>::max();
    return copies * size;
}

std::uint64_t totalReclaimableBytes(const std::vector<DuplicateGroup>& groups)
{
    std::uint64_t total = 0;
    for (const DuplicateGroup& group : groups)
        total = saturatingAdd(total, group.reclaimableBytes());
    return total;
}

std::size_t pathCharacterCount(std::string_view path)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < path.size(); ++count) {
        const std::size_t length = sequenceLength(path, i);
        i += length == 0 ? 1 : length;
    }
    return count;
}

bool canonicallyPrecedes(const std::filesystem::path& a, const std::filesystem::path& b)
{
    const std::size_t lengthA = pathCharacterCount(a.native());
    const std::size_t lengthB = pathCharacterCount(b.native());
    if (lengthA != lengthB)
        return lengthA < lengthB;
    return a.native() < b.native();
}

void sortCanonically(std::vector<std::filesystem::path>& files)
{
    std::sort(files.begin(), files.end(), canonicallyPrecedes);
}

}  // namespace lopewell
