// Absolute paths as "file://" URL strings, the form the JSON caches store locations in. Paths
// are bytes: anything outside the characters a URL path may hold is percent-encoded, so names
// that are not UTF-8 survive the round trip unchanged.
//
//   std::string text = fileURLString("/home/a/My File.txt");    // "file:///home/a/My%20File.txt"
//   std::optional<std::filesystem::path> path = pathFromFileURL(text);
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lopewell {

// `path` should be absolute; a relative one is encoded as if it hung off "/".
std::string fileURLString(const std::filesystem::path& path);
// The same, appended to `url`: for writers of many, without a path object or a string each.
// The result is plain ASCII that no JSON string needs to escape.
void appendFileURL(std::string& url, std::string_view path);

// Absent unless `url` is "file://" (optionally with the host "localhost") followed by an
// absolute path with well-formed escapes, no query or fragment, and no NUL byte.
std::optional<std::filesystem::path> pathFromFileURL(std::string_view url);

// Decodes %XX escapes into bytes; absent on a malformed escape or a NUL, encoded or not.
std::optional<std::string> percentDecoded(std::string_view text);

}  // namespace lopewell
