// What `profiles` prints and what browser policy files hold is outside input, written by
// whoever took over the machine: any bytes parse without a crash, every identifier is a
// non-empty line of valid UTF-8, and every policy identifier names its engine and policy.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/security/browser_policy.h"
#include "app/security/profiles_output.h"
#include "core/base/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& identifier : lopewell::parseProfileIdentifiers(text)) {
        if (identifier.empty() || identifier.find('\n') != std::string::npos || !lopewell::utf8::isValid(identifier))
            __builtin_trap();
    }
    for (const auto format : { lopewell::BrowserPolicyFormat::chrome, lopewell::BrowserPolicyFormat::firefox }) {
        const std::string_view engine = format == lopewell::BrowserPolicyFormat::chrome ? "chrome:" : "firefox:";
        for (const std::string& identifier : lopewell::browserPolicyIdentifiers(format, text)) {
            const size_t policyEnd = identifier.find(':', engine.size());
            if (!identifier.starts_with(engine) || policyEnd == std::string::npos || policyEnd + 1 == identifier.size())
                __builtin_trap();
        }
    }
    (void)lopewell::urlHost(text);
    return 0;
}
