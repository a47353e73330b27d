#include "cli/arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <ostream>
#include <sys/stat.h>
#include <tuple>

#include <CLI/CLI.hpp>

#include "cli/terminal.h"
#include "cli/usage.h"

namespace lopewell::cli {

namespace {

// Help as the rest of the program speaks: our usage line first, then what the verb does, then
// its options as CLI11 lays them out.
class HelpFormatter : public CLI::Formatter {
public:
    explicit HelpFormatter(std::string usage) : m_usage(std::move(usage)) { column_width(22); }

    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override
    {
        // Each group of options or commands starts with its own blank line.
        return "Usage: " + m_usage + "\n\n" + app->get_description() + "\n" + make_groups(app, mode) + make_subcommands(app, mode);
    }

private:
    std::string m_usage;
};

std::string usageLine(std::string_view name, std::string_view synopsis)
{
    return "lopewell " + std::string(name) + (synopsis.empty() ? "" : " " + std::string(synopsis));
}

// The app a verb's arguments are read with. Unknown options and words are kept, not thrown
// about, so that they are reported in our words and in the order given.
std::unique_ptr<CLI::App> makeApp(std::string name, std::string summary, std::string usage)
{
    auto app = std::make_unique<CLI::App>(std::move(summary), std::move(name));
    app->allow_extras();
    app->set_help_flag("-h,--help", "show this text");
    app->formatter(std::make_shared<HelpFormatter>(std::move(usage)));
    return app;
}

CLI::Option* addOption(CLI::App& app, const OptionSpec& spec)
{
    const std::string name = "--" + std::string(spec.name);
    if (spec.valueName.empty())
        return app.add_flag(name)->description(std::string(spec.help))->disable_flag_override();
    return app.add_option(name)
        ->description(std::string(spec.help))
        ->type_name(std::string(spec.valueName))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

// CLI11 wants the arguments last first. It also reads "--name=" as "--name" still waiting for
// its value, where we read an empty value: those become "--name" "".
std::vector<std::string> cliArguments(std::span<const std::string_view> arguments, const std::set<std::string, std::less<>>& valueOptions)
{
    std::vector<std::string> result;
    bool valueNext = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (valueNext) {
            valueNext = false;
        } else if (argument == "--") {
            result.insert(result.end(), arguments.begin() + std::ptrdiff_t(i), arguments.end());
            break;
        } else if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string_view name = argument.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
            if (valueOptions.contains(name) && equals == std::string_view::npos) {
                valueNext = true;
            } else if (valueOptions.contains(name) && equals + 1 == argument.size()) {
                result.emplace_back(argument.substr(0, equals));
                result.emplace_back();
                continue;
            }
        }
        result.emplace_back(argument);
    }
    std::reverse(result.begin(), result.end());
    return result;
}

// What CLI11 left over: the first unknown option or unexpected word, as we name it.
std::optional<std::string> leftOverMessage(const CLI::App& app)
{
    for (const std::string& extra : app.remaining()) {
        if (extra == "--")
            continue;
        if (extra.starts_with("--"))
            return "unknown option '" + terminalSafe(extra.substr(0, extra.find('='))) + "'";
        return "unexpected argument '" + terminalSafe(extra) + "'";
    }
    return std::nullopt;
}

// CLI11 names the option at the front of these: "--interval: 1 required SECONDS missing" when
// the arguments ran out before its value, "json was given a disallowed flag override".
std::string mismatchMessage(const CLI::ArgumentMismatch& error, std::string_view valueNoun)
{
    const std::string text = error.what();
    constexpr std::string_view flagOverride = " was given a disallowed flag override";
    if (text.ends_with(flagOverride))
        return "option '--" + text.substr(0, text.size() - flagOverride.size()) + "' takes no value";
    return "option '" + text.substr(0, text.find(':')) + "' needs " + std::string(valueNoun);
}

}  // namespace

bool isHelpRequest(std::string_view argument)
{
    return argument == "--help" || argument == "-h";
}

int usageError(std::ostream& err, std::string_view verb, std::string_view message)
{
    err << "lopewell" << (verb.empty() ? "" : " ") << verb << ": " << message << "\n\n" << usageText();
    return exitUsage;
}

int valueError(std::ostream& err, std::string_view verb, std::string_view message)
{
    err << "lopewell" << (verb.empty() ? "" : " ") << verb << ": " << message << "\n";
    return exitUsage;
}

std::string groupHelp(std::string_view name, std::string_view summary, std::span<const VerbSpec* const> verbs)
{
    auto app = makeApp(std::string(name), std::string(summary), usageLine(name, "COMMAND ..."));
    for (const VerbSpec* verb : verbs) {
        const std::string_view command = verb->name.substr(verb->name.rfind(' ') + 1);
        const std::string_view firstLine = verb->summary.substr(0, verb->summary.find('\n'));
        app->add_subcommand(std::string(command), std::string(verb->synopsis) + "\n" + std::string(firstLine))->group("Commands");
    }
    return app->help();
}

VerbArguments parseVerb(const VerbSpec& verb, std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    auto app = makeApp(std::string(verb.name), std::string(verb.summary), usageLine(verb.name, verb.synopsis));
    ParsedOptions parsed;
    std::vector<std::pair<const OptionSpec*, CLI::Option*>> declared;
    std::set<std::string, std::less<>> valueOptions;
    for (const OptionSpec& option : verb.options) {
        declared.emplace_back(&option, addOption(*app, option));
        if (!option.valueName.empty())
            valueOptions.emplace(option.name);
    }
    if (verb.takesWords)
        app->add_option("WORDS", parsed.words)->expected(0, CLI::detail::expected_max_vector_size);

    std::vector<std::string> reversed = cliArguments(arguments, valueOptions);
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app->help();
        return 0;
    } catch (const CLI::ArgumentMismatch& error) {
        // Anything left over came before the option CLI11 stopped at.
        return usageError(err, verb.name, leftOverMessage(*app).value_or(mismatchMessage(error, "a value")));
    } catch (const CLI::ParseError& error) {
        return usageError(err, verb.name, error.what());
    }
    if (std::optional<std::string> message = leftOverMessage(*app))
        return usageError(err, verb.name, *message);
    for (const auto& [spec, option] : declared) {
        if (option->count() == 0)
            continue;
        if (spec->valueName.empty())
            parsed.flags.emplace(spec->name);
        else
            parsed.values[std::string(spec->name)] = option->results().back();
    }
    return parsed;
}

std::variant<FolderArguments, int> parseFolderVerb(
    const VerbSpec& verb, std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    VerbArguments parsed = parseVerb(verb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    ParsedOptions& options = std::get<ParsedOptions>(parsed);
    if (options.words.empty())
        return usageError(err, verb.name, "missing DIR");
    if (options.words.size() > 1)
        return usageError(err, verb.name, "unexpected argument '" + terminalSafe(options.words[1]) + "'");
    const std::string& folder = options.words.front();
    std::error_code error;
    const std::filesystem::path root = std::filesystem::absolute(std::filesystem::path(folder), error);
    if (error || folder.empty())
        return usageError(err, verb.name, "cannot use '" + terminalSafe(folder) + "' as a folder");
    return FolderArguments { std::move(options), root.lexically_normal() };
}

ErrorOr<double> parseSeconds(std::string_view text, std::string_view option)
{
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = error == std::errc() && end == text.data() + text.size();
    // A day is the longest interval that still reads as "now" for a status line.
    if (!whole || !std::isfinite(value) || value <= 0 || value > 86400) {
        return Error { 0,
            "--" + std::string(option) + " must be a number of seconds greater than 0 and at most 86400, not '" + std::string(text) + "'" };
    }
    return value;
}

ErrorOr<GlobalOptions> parseGlobalOptions(std::span<const std::string_view> arguments)
{
    // The first word is the command: it and all after it are the command's to read.
    auto app = makeApp("lopewell", "", "lopewell");
    app->prefix_command();
    app->set_help_flag();
    GlobalOptions options;
    std::string systemRoot, home, flavour;
    CLI::Option* systemRootOption = app->add_option("--system-root", systemRoot)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* homeOption = app->add_option("--home", home)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* flavourOption = app->add_option("--flavour", flavour)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_flag("-h,--help", options.help);
    app->add_flag("--version", options.version);

    std::vector<std::string> reversed = cliArguments(arguments, { "home", "system-root", "flavour" });
    try {
        app->parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) {
        const std::string text = error.what();
        return Error { 0, mismatchMessage(error, text.starts_with("--flavour") ? "macos or linux" : "a folder") };
    } catch (const CLI::ParseError& error) {
        return Error { 0, error.what() };
    }
    for (auto [option, value, name] :
        { std::tuple { systemRootOption, &systemRoot, "system-root" }, std::tuple { homeOption, &home, "home" } }) {
        if (option->count() == 0)
            continue;
        struct stat info {};
        if (value->empty() || ::stat(value->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return Error { 0, "--" + std::string(name) + " must name an existing folder, not '" + *value + "'" };
        (option == homeOption ? options.home : options.systemRoot) = std::filesystem::path(*value);
    }
    if (flavourOption->count() != 0) {
        options.flavour = parseHostFlavour(flavour);
        if (!options.flavour)
            return Error { 0, "--flavour must be macos or linux, not '" + terminalSafe(flavour) + "'" };
    }
    options.command = app->remaining();
    return options;
}

HostLayout hostLayout(const GlobalOptions& options)
{
    HostLayout current = HostLayout::forCurrentUser(options.systemRoot.value_or("/"), options.flavour);
    if (!options.home)
        return current;
    HostLayout::Fields fields;
    fields.systemRoot = current.systemRoot();
    fields.home = *options.home;
    fields.uid = current.uid();
    fields.loginName = current.loginName();
    fields.flavour = current.flavour();
    return HostLayout(std::move(fields));
}

}  // namespace lopewell::cli
