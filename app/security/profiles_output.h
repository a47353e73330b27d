// The configuration-profile identifiers in what `profiles show -type configuration` prints.
// Only the "profileIdentifier:" lines mean anything here; the rest of the tool's output is not
// interpreted.
//
//   parseProfileIdentifiers("  attribute: profileIdentifier: com.example.p\n");  // { "com.example.p" }
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

// In output order, repeats kept. Bytes that are not UTF-8 are replaced first; a line counts
// from its first "profileIdentifier:" (exact case) to its end, spaces and tabs trimmed, and
// nothing after the marker is no identifier.
std::vector<std::string> parseProfileIdentifiers(std::string_view output);

}  // namespace lopewell
