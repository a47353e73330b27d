// One set of byte-identical files: the Duplicates pane's rows, the files cache's entries.
//
//   DuplicateGroup group { .id = lowerHex(digest), .size = 4096, .files = { "/a/x1", "/a/x2" } };
//   group.reclaimableBytes();  // 4096: every copy but the canonical first one
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

struct DuplicateGroup {
    std::string id;                  // SHA-256 of the content, 64 lower-case hex digits
    std::uint64_t size = 0;          // what each file occupies (allocated size, else logical)
    std::vector<std::string> files;  // canonical copy first

    // (files - 1) x size; 0 below two files. Saturates instead of wrapping.
    std::uint64_t reclaimableBytes() const;

    bool operator==(const DuplicateGroup&) const = default;
};

std::uint64_t totalReclaimableBytes(const std::vector<DuplicateGroup>& groups);

// Canonical order within a group: fewer characters first (UTF-8 code points, each byte that is
// not part of a valid sequence counting as one), then plain byte order of the path.
bool canonicallyPrecedes(std::string_view a, std::string_view b);
void sortCanonically(std::vector<std::string>& files);

}  // namespace lopewell
