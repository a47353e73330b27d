// Checks the two settings of a network probe as the user types them: a web address to fetch and
// a host to ping. Leading and trailing white space (Unicode, newlines included) is ignored.
#pragma once

#include <string_view>

namespace lopewell {

class ProbeConfigValidator {
public:
    ProbeConfigValidator() = delete;

    // An http or https URL (scheme in any letter case) with a non-empty host:
    // "https://example.com/status" yes; "ftp://example.com", "https:///path", "https://a b" no.
    static bool isValidURL(std::string_view text);

    // Any non-empty text without white space inside; the host is not resolved.
    static bool isValidPingHost(std::string_view text);
};

}  // namespace lopewell
