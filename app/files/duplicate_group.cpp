#include "app/files/duplicate_group.h"

#include <algorithm>
#include <limits>

#include "core/base/utf8.h"

namespace lopewell {

namespace {

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
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

bool canonicallyPrecedes(std::string_view a, std::string_view b)
{
    const std::size_t lengthA = utf8::codePointCount(a);
    const std::size_t lengthB = utf8::codePointCount(b);
    if (lengthA != lengthB)
        return lengthA < lengthB;
    return a < b;
}

void sortCanonically(std::vector<std::string>& files)
{
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return canonicallyPrecedes(a, b); });
}

}  // namespace lopewell
