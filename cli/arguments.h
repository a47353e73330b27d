// Command-line option parsing for the verbs: "--name VALUE", "--name=VALUE" and flags.
// Anything unknown is a usage error, which the caller answers with the usage and exit code 2.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "core/base/error_or.h"
#include "platform/host_layout.h"

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

// A verb that works on one folder: `lopewell files large DIR --min 10M`.
struct FolderInvocation {
    std::filesystem::path root;  // absolute and lexically normal
    ParsedOptions options;
};

// DIR may stand anywhere among the options; after "--" everything is DIR.
ErrorOr<FolderInvocation> parseFolderInvocation(std::span<const std::string_view> arguments, std::span<const OptionSpec> specs);

// A positive, finite number of seconds for `--option`; the error says what is wrong.
ErrorOr<double> parseSeconds(std::string_view text, std::string_view option);

// Options that come before the command and apply to every command:
// `lopewell --system-root DIR --home DIR storage scan`.
struct GlobalOptions {
    std::optional<std::filesystem::path> systemRoot;  // where "/Library/..." and the like hang off
    std::optional<std::filesystem::path> home;        // the user's home, and the data and config under it
    size_t consumed = 0;                              // how many leading arguments they took
};

// Reads the leading global options; each named folder must exist.
ErrorOr<GlobalOptions> parseGlobalOptions(std::span<const std::string_view> arguments);

// The current user's layout with the overrides applied. A home given here also moves the
// application's data and config folders under it, so a fixture home keeps its caches to itself.
HostLayout hostLayout(const GlobalOptions& options);

}  // namespace lopewell::cli
