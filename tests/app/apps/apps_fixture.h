// Bundles and folders for the Apps tests: a bundle is a folder with Contents/Info.plist, written
// as an XML property list from the dictionary's body.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "tests/support/temp_tree.h"

namespace lopewell::testing {

inline std::string infoPlist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

inline std::string plistEntry(const std::string& key, const std::string& value)
{
    return "<key>" + key + "</key><string>" + value + "</string>";
}

// A bundle with an identifier and whatever else `body` adds.
inline std::filesystem::path makeBundle(const std::filesystem::path& bundle, const std::string& identifier, const std::string& body = {})
{
    writeFile(bundle / "Contents/Info.plist", infoPlist(plistEntry("CFBundleIdentifier", identifier) + body));
    writeFile(bundle / "Contents/MacOS/main", std::string(3000, 'm'));
    return bundle;
}

inline std::uint64_t allocatedBytes(const std::filesystem::path& path)
{
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return std::uint64_t(info.st_blocks) * 512;
}

// What the scanners count for a tree: the allocated bytes of everything in it that is not a
// folder, each inode once.
inline std::uint64_t treeBytes(const std::filesystem::path& root)
{
    std::uint64_t total = 0;
    std::set<ino_t> seen;
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator(); ++it) {
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        if (!S_ISDIR(info.st_mode) && seen.insert(info.st_ino).second)
            total += std::uint64_t(info.st_blocks) * 512;
        if (it->is_symlink())
            it.disable_recursion_pending();
    }
    return total;
}

}  // namespace lopewell::testing
