// The verbs' command lines, read by CLI11: each verb declares its options, flags and whether it
// takes words (DIR, PID, PATH...), and gets "--name VALUE", "--name=VALUE", "--" and its own
// --help from that. What CLI11 refuses is said in our words, and anything unknown is a usage
// error, which the caller answers with the usage and exit code 2.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/error_or.h"
#include "platform/host_layout.h"

namespace lopewell::cli {

inline constexpr int exitUsage = 2;

struct OptionSpec {
    std::string_view name;       // without the leading "--"
    std::string_view valueName;  // "SECONDS" for `--interval SECONDS`; empty for a flag
    std::string_view help;       // one line of the verb's --help
};

struct VerbSpec {
    std::string_view name;      // as messages name it: "files large"
    std::string_view synopsis;  // what follows the name in its usage line: "DIR [--min SIZE] [--json]"
    std::string_view summary;   // what it does, for its --help
    std::span<const OptionSpec> options;
    bool takesWords = false;  // if not, each word is an unexpected argument
};

struct ParsedOptions {
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;
    std::vector<std::string> words;  // in the order given, "--" taken out

    bool has(std::string_view flag) const { return flags.contains(flag); }
};

// A verb's options, or the exit status it ends with at once: 0 after its --help went to `out`,
// exitUsage after a usage error went to `err`.
using VerbArguments = std::variant<ParsedOptions, int>;

VerbArguments parseVerb(const VerbSpec& verb, std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

// The --help of a verb made of sub-verbs (`lopewell files --help`): each with its summary.
std::string groupHelp(std::string_view name, std::string_view summary, std::span<const VerbSpec* const> verbs);

bool isHelpRequest(std::string_view argument);

// "lopewell VERB: MESSAGE" and the usage on `err`: the command line itself was wrong.
int usageError(std::ostream& err, std::string_view verb, std::string_view message);
// "lopewell VERB: MESSAGE" alone: one option's value was wrong, and the message says how.
int valueError(std::ostream& err, std::string_view verb, std::string_view message);

// A verb that works on one folder: `lopewell files large DIR --min 10M`. DIR may stand anywhere
// among the options; after "--" everything is DIR. The folder is absolute and lexically normal.
struct FolderArguments {
    ParsedOptions options;
    std::filesystem::path folder;
};
std::variant<FolderArguments, int> parseFolderVerb(
    const VerbSpec& verb, std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

// A positive, finite number of seconds for `--option`; the error says what is wrong.
ErrorOr<double> parseSeconds(std::string_view text, std::string_view option);

// Options that come before the command and apply to every command:
// `lopewell --system-root DIR --home DIR storage scan`.
struct GlobalOptions {
    std::optional<std::filesystem::path> systemRoot;  // where "/Library/..." and the like hang off
    std::optional<std::filesystem::path> home;        // the user's home, and the data and config under it
    std::optional<HostFlavour> flavour;               // unset: decided by the system root
    bool help = false;
    bool version = false;
    std::vector<std::string> command;  // the command and its arguments, or an unknown option first
};

// Reads the leading global options; each named folder must exist.
ErrorOr<GlobalOptions> parseGlobalOptions(std::span<const std::string_view> arguments);

// The current user's layout with the overrides applied. A home given here also moves the
// application's data, config and cache folders under it and drops the variables that move
// per-user places, so a fixture home keeps its caches to itself.
HostLayout hostLayout(const GlobalOptions& options);

}  // namespace lopewell::cli
