#include "app/security/profiles_output.h"

#include "core/base/text.h"
#include "core/base/utf8.h"

namespace lopewell {

std::vector<std::string> parseProfileIdentifiers(std::string_view output)
{
    constexpr std::string_view marker = "profileIdentifier:";
    constexpr std::string_view spacesAndTabs = " \t";
    const std::string text = utf8::withReplacements(output);
    std::vector<std::string> identifiers;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t newline = rest.find('\n');
        const std::string_view line = trimmed(rest.substr(0, newline), spacesAndTabs);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        const size_t at = line.find(marker);
        if (at == std::string_view::npos)
            continue;
        const std::string_view identifier = trimmed(line.substr(at + marker.size()), spacesAndTabs);
        if (!identifier.empty())
            identifiers.emplace_back(identifier);
    }
    return identifiers;
}

}  // namespace lopewell
