// Command-line option parsing for the verbs: "--name VALUE", "--name=VALUE" and flags.
// Anything unknown is a usage error, which the caller answers with the usage and exit code 2.
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "core/base/error_or.h"

namespace lopewell::cli {

inline constexpr int kExitUsage = 2;

struct OptionSpec {
    std::string_view name;  // without the leading "--"
    bool takesValue = false;
};

struct ParsedOptions {
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;

    bool has(std::string_view flag) const { return flags.contains(flag); }
};

ErrorOr<ParsedOptions> parseOptions(std::span<const std::string_view> arguments, std::span<const OptionSpec> specs);

// A positive, finite number of seconds for `--option`; the error says what is wrong.
ErrorOr<double> parseSeconds(std::string_view text, std::string_view option);

}  // namespace lopewell::cli
