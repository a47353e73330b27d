#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_tree.h"

namespace lopewell::cli {
namespace {

constexpr OptionSpec sampleOptions[] = {
    { "min", "SIZE", "at least SIZE" },
    { "json", "", "as JSON" },
};
constexpr VerbSpec sampleVerb { "files sample", "DIR [--min SIZE] [--json]", "A verb to read.", sampleOptions, true };
constexpr VerbSpec wordlessVerb { "wordless", "[--json]", "Takes no words.", std::span(sampleOptions).subspan(1) };

struct Read {
    VerbArguments arguments;
    std::string out;
    std::string err;
};

Read read(const VerbSpec& verb, const std::vector<std::string_view>& arguments)
{
    std::ostringstream out, err;
    VerbArguments parsed = parseVerb(verb, arguments, out, err);
    return { std::move(parsed), out.str(), err.str() };
}

TEST(VerbArguments, WordsKeepTheirOrderAmongOptionsAndAfterTheDoubleDash)
{
    const Read read1 = read(sampleVerb, { "a", "--min", "-3", "b", "--json", "--min=5K", "--", "--json", "-x", "--" });
    ASSERT_TRUE(std::holds_alternative<ParsedOptions>(read1.arguments)) << read1.err;
    const ParsedOptions& options = std::get<ParsedOptions>(read1.arguments);
    EXPECT_EQ(options.words, (std::vector<std::string> { "a", "b", "--json", "-x", "--" }));
    EXPECT_EQ(options.values.at("min"), "5K");  // the last one given
    EXPECT_TRUE(options.has("json"));

    // An empty value is a value, inline or not, and never takes the next word.
    for (const std::vector<std::string_view>& arguments : { std::vector<std::string_view> { "--min=", "a" }, { "--min", "", "a" } }) {
        const Read empty = read(sampleVerb, arguments);
        ASSERT_TRUE(std::holds_alternative<ParsedOptions>(empty.arguments)) << empty.err;
        EXPECT_EQ(std::get<ParsedOptions>(empty.arguments).values.at("min"), "");
        EXPECT_EQ(std::get<ParsedOptions>(empty.arguments).words, std::vector<std::string> { "a" });
    }
}

TEST(VerbArguments, UsageErrorsNameTheFirstWrongArgument)
{
    const struct {
        const VerbSpec& verb;
        std::vector<std::string_view> arguments;
        std::string message;
    } cases[] = {
        { sampleVerb, { "a", "--bogus=1", "--also" }, "lopewell files sample: unknown option '--bogus'\n\nUsage: lopewell" },
        { sampleVerb, { "--bogus", "--min" }, "lopewell files sample: unknown option '--bogus'\n" },
        { sampleVerb, { "a", "--min" }, "lopewell files sample: option '--min' needs a value\n" },
        { sampleVerb, { "a", "--json=yes" }, "lopewell files sample: option '--json' takes no value\n" },
        { sampleVerb, { "-x", "a" }, "lopewell files sample: unexpected argument '-x'\n" },
        { wordlessVerb, { "--json", "extra\x1b" }, "lopewell wordless: unexpected argument 'extra?'\n" },
    };
    for (const auto& c : cases) {
        const Read wrong = read(c.verb, c.arguments);
        ASSERT_TRUE(std::holds_alternative<int>(wrong.arguments)) << c.message;
        EXPECT_EQ(std::get<int>(wrong.arguments), exitUsage);
        EXPECT_TRUE(wrong.err.starts_with(c.message)) << wrong.err;
        EXPECT_EQ(wrong.out, "");
    }
}

TEST(VerbArguments, HelpGoesToStandardOutputWhateverElseIsGiven)
{
    for (std::string_view flag : { "--help", "-h" }) {
        const Read help = read(sampleVerb, { "a", "--bogus", flag });
        ASSERT_TRUE(std::holds_alternative<int>(help.arguments));
        EXPECT_EQ(std::get<int>(help.arguments), 0);
        EXPECT_EQ(help.err, "");
        EXPECT_TRUE(help.out.starts_with("Usage: lopewell files sample DIR [--min SIZE] [--json]\n\nA verb to read.\n")) << help.out;
        EXPECT_NE(help.out.find("--min SIZE"), std::string::npos) << help.out;
        EXPECT_NE(help.out.find("as JSON"), std::string::npos) << help.out;
    }
    const VerbSpec* verbs[] = { &sampleVerb, &wordlessVerb };
    const std::string group = groupHelp("files", "The scans.", verbs);
    EXPECT_NE(group.find("  sample "), std::string::npos) << group;
    EXPECT_NE(group.find("A verb to read."), std::string::npos) << group;
}

TEST(GlobalOptions, LeadTheCommandAndNameExistingFolders)
{
    testing::TempDir dir;
    const std::string home = dir.path().string();
    auto global = parseGlobalOptions(std::vector<std::string_view> { "--home", home, "storage", "--home", "elsewhere", "--", "x" });
    ASSERT_TRUE(global) << global.error().message;
    EXPECT_EQ(global.value().home, dir.path());
    EXPECT_FALSE(global.value().systemRoot);
    EXPECT_EQ(global.value().command, (std::vector<std::string> { "storage", "--home", "elsewhere", "--", "x" }));
    EXPECT_FALSE(global.value().flavour);

    const auto forced
        = parseGlobalOptions(std::vector<std::string_view> { "--flavour", "linux", "--home", home, "--flavour=macos", "status" });
    ASSERT_TRUE(forced) << forced.error().message;
    EXPECT_EQ(forced.value().flavour, HostFlavour::macOS);  // the last one counts, as for the folders
    ::setenv("CARGO_HOME", "/elsewhere/cargo", 1);
    const HostLayout layout = hostLayout(forced.value());
    ::unsetenv("CARGO_HOME");
    EXPECT_EQ(layout.flavour(), HostFlavour::macOS);
    EXPECT_EQ(layout.environmentFolder("CARGO_HOME"), std::nullopt);  // a fixture home keeps to itself
    EXPECT_EQ(layout.cacheHome(), dir.path() / ".cache");

    const auto unknown = parseGlobalOptions(std::vector<std::string_view> { "--frob", "status" });
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown.value().command, (std::vector<std::string> { "--frob", "status" }));

    const std::string absent = home + "/absent";
    const std::pair<std::vector<std::string_view>, std::string> refused[] = {
        { { "--home" }, "option '--home' needs a folder" },
        { { "--system-root=" }, "--system-root must name an existing folder, not ''" },
        { { "--home", absent, "status" }, "--home must name an existing folder, not '" + absent + "'" },
        { { "--flavour" }, "option '--flavour' needs macos or linux" },
        { { "--flavour", "windows", "storage" }, "--flavour must be macos or linux, not 'windows'" },
    };
    for (const auto& [arguments, message] : refused) {
        const auto wrong = parseGlobalOptions(arguments);
        ASSERT_FALSE(wrong) << message;
        EXPECT_EQ(wrong.error().message, message);
    }
}

}  // namespace
}  // namespace lopewell::cli
