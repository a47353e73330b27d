#include "platform/host_layout.h"

#include <gtest/gtest.h>

#include "tests/support/temp_tree.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace lopewell {
namespace {

namespace fs = std::filesystem;

TEST(HostLayoutHomeRule, TakesTheFirstUsableSourceInOrder)
{
    struct Case {
        const char* passwordHome;
        const char* homeVariable;
        const char* expected;
    };
    const Case cases[] = {
        { "/home/alice", "/somewhere/else", "/home/alice" },  // the database wins over $HOME
        { "", "/home/bob", "/home/bob" },
        { "relative/alice", "/home/bob", "/home/bob" },  // would resolve against the cwd
        { "", "relative/bob", "/" },
        { "", "", "/" },
        { "/home/carol/", "", "/home/carol" },
        { "/home/./dave/../erin", "", "/home/erin" },
        { "/", "/home/bob", "/" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveHomeFolder(c.passwordHome, c.homeVariable), fs::path(c.expected))
            << "database '" << c.passwordHome << "', $HOME '" << c.homeVariable << "'";
}

TEST(HostLayoutHomeRule, XdgFoldersAcceptOnlyAbsoluteVariables)
{
    const fs::path home = "/home/alice";
    EXPECT_EQ(resolveXdgFolder("/data/xdg", home, ".local/share"), fs::path("/data/xdg"));
    EXPECT_EQ(resolveXdgFolder("/data/xdg/", home, ".local/share"), fs::path("/data/xdg"));
    EXPECT_EQ(resolveXdgFolder("", home, ".local/share"), fs::path("/home/alice/.local/share"));
    EXPECT_EQ(resolveXdgFolder("xdg", home, ".config"), fs::path("/home/alice/.config"));
}

TEST(HostLayout, DerivesTheApplicationFoldersFromHome)
{
    const HostLayout layout = HostLayout::forTesting("/tmp/fixture", "/tmp/fixture/home/alice", 501, "alice", HostFlavour::macOS);
    EXPECT_EQ(layout.systemRoot(), fs::path("/tmp/fixture"));
    EXPECT_EQ(layout.home(), fs::path("/tmp/fixture/home/alice"));
    EXPECT_EQ(layout.uid(), 501u);
    EXPECT_EQ(layout.loginName(), "alice");
    EXPECT_EQ(layout.applicationSupport(), fs::path("/tmp/fixture/home/alice/.local/share/com.vantorel.lopewellmac"));
    EXPECT_EQ(layout.configFolder(), fs::path("/tmp/fixture/home/alice/.config"));
    EXPECT_EQ(layout.userDefaultsFile(), fs::path("/tmp/fixture/home/alice/.config/com.vantorel.lopewellmac/UserDefaults.json"));
    EXPECT_EQ(layout.launchctlPath(), fs::path("/tmp/fixture/bin/launchctl"));
    EXPECT_EQ(layout.profilesPath(), fs::path("/tmp/fixture/usr/bin/profiles"));
}

TEST(HostLayout, ExplicitXdgFoldersAreUsedAsGiven)
{
    HostLayout::Fields fields;
    fields.home = "/home/alice";
    fields.dataHome = "/data/";
    fields.configHome = "/conf";
    const HostLayout layout(fields);
    EXPECT_EQ(layout.applicationSupport(), fs::path("/data/com.vantorel.lopewellmac"));
    EXPECT_EQ(layout.userDefaultsFile(), fs::path("/conf/com.vantorel.lopewellmac/UserDefaults.json"));
    EXPECT_EQ(layout.systemRoot(), fs::path("/"));
}

TEST(HostLayout, EqualLayoutsCompareEqualWhateverTheSpelling)
{
    EXPECT_EQ(HostLayout::forTesting("/tmp/fixture/", "/home/alice/", 1, "a", HostFlavour::macOS),
        HostLayout::forTesting("/tmp/./fixture", "/home/alice", 1, "a", HostFlavour::macOS));
    EXPECT_NE(HostLayout::forTesting("/tmp/fixture", "/home/alice", 1, "a", HostFlavour::macOS),
        HostLayout::forTesting("/tmp/fixture", "/home/alice", 2, "a", HostFlavour::macOS));
}

TEST(HostLayoutSystemPaths, StayUnderTheRootWhateverTheArgument)
{
    const HostLayout layout = HostLayout::forTesting("/tmp/fixture/", "/home/alice", 501, "alice", HostFlavour::macOS);
    struct Case {
        const char* argument;
        const char* expected;
    };
    const Case cases[] = {
        { "/Library/Caches", "/tmp/fixture/Library/Caches" }, { "/", "/tmp/fixture" }, { "", "/tmp/fixture" },
        { "Library/Caches", "/tmp/fixture/Library/Caches" }, { "/Library/Caches/", "/tmp/fixture/Library/Caches" },
        { "//Library/./Caches//x", "/tmp/fixture/Library/Caches/x" }, { "/a/b/../c", "/tmp/fixture/a/c" }, { "/..", "/tmp/fixture" },
        { "/../../etc/passwd", "/tmp/fixture/etc/passwd" }, { "/Library/../../../etc", "/tmp/fixture/etc" },
        { "../fixture2/x", "/tmp/fixture/fixture2/x" }, { "/...", "/tmp/fixture/..." },  // a real name, not a step up
    };
    for (const Case& c : cases)
        EXPECT_EQ(layout.system(c.argument), fs::path(c.expected)) << "argument '" << c.argument << "'";
}

TEST(HostLayoutSystemPaths, WithTheRealRootArePathsAsTheSystemSeesThem)
{
    const HostLayout layout = HostLayout::forTesting("/", "/home/alice", 501, "alice", HostFlavour::macOS);
    EXPECT_EQ(layout.system("/Library/Caches"), fs::path("/Library/Caches"));
    EXPECT_EQ(layout.system("/../etc"), fs::path("/etc"));
    EXPECT_EQ(layout.system("/"), fs::path("/"));
    EXPECT_EQ(layout.launchctlPath(), fs::path("/bin/launchctl"));
}

TEST(HostLayoutSystemPaths, HomePathsCannotLeaveHome)
{
    const HostLayout layout = HostLayout::forTesting("/", "/home/alice", 501, "alice", HostFlavour::macOS);
    EXPECT_EQ(layout.home("Library/Caches"), fs::path("/home/alice/Library/Caches"));
    EXPECT_EQ(layout.home(".Trash"), fs::path("/home/alice/.Trash"));
    EXPECT_EQ(layout.home("/etc/passwd"), fs::path("/home/alice/etc/passwd"));
    EXPECT_EQ(layout.home("../../root"), fs::path("/home/alice/root"));
    EXPECT_EQ(layout.home(""), fs::path("/home/alice"));
}

// Sets or clears an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(HostLayoutCurrentUser, ReadsTheAccountOfTheRunningProcess)
{
    const HostLayout layout = HostLayout::forCurrentUser();
    EXPECT_EQ(layout.uid(), ::getuid());
    EXPECT_EQ(layout.systemRoot(), fs::path("/"));

    const passwd* entry = ::getpwuid(::getuid());
    const char* homeVariable = std::getenv("HOME");
    EXPECT_EQ(layout.home(), resolveHomeFolder(entry && entry->pw_dir ? entry->pw_dir : "", homeVariable ? homeVariable : ""));
    if (entry) {
        EXPECT_EQ(layout.loginName(), entry->pw_name);
    }
}

TEST(HostLayoutCurrentUser, FollowsAbsoluteXdgVariablesOnly)
{
    {
        ScopedEnvironment data("XDG_DATA_HOME", "/srv/xdg-data");
        ScopedEnvironment config("XDG_CONFIG_HOME", "relative-config");
        const HostLayout layout = HostLayout::forCurrentUser("/tmp/fixture");
        EXPECT_EQ(layout.systemRoot(), fs::path("/tmp/fixture"));
        EXPECT_EQ(layout.applicationSupport(), fs::path("/srv/xdg-data/com.vantorel.lopewellmac"));
        EXPECT_EQ(layout.configFolder(), layout.home() / ".config");
    }
    {
        ScopedEnvironment data("XDG_DATA_HOME", nullptr);
        ScopedEnvironment config("XDG_CONFIG_HOME", "/srv/xdg-config");
        const HostLayout layout = HostLayout::forCurrentUser();
        EXPECT_EQ(layout.applicationSupport(), layout.home() / ".local/share/com.vantorel.lopewellmac");
        EXPECT_EQ(layout.userDefaultsFile(), fs::path("/srv/xdg-config/com.vantorel.lopewellmac/UserDefaults.json"));
    }
}

TEST(HostLayoutCurrentUser, CapturesThePlaceVariablesOnceAndOnlyAbsoluteOnes)
{
    ScopedEnvironment cargo("CARGO_HOME", "/opt/cargo/");
    ScopedEnvironment pip("PIP_CACHE_DIR", "relative/pip");
    ScopedEnvironment cache("XDG_CACHE_HOME", "/var/cache-of-alice");
    ScopedEnvironment state("XDG_STATE_HOME", "state");
    ScopedEnvironment unrelated("LOPEWELL_UNRELATED", "/x");
    const HostLayout layout = HostLayout::forCurrentUser();
    ::setenv("CARGO_HOME", "/changed", 1);  // read once: later changes do not move the layout

    EXPECT_EQ(layout.environmentFolder("CARGO_HOME"), fs::path("/opt/cargo"));
    EXPECT_EQ(layout.environmentFolder("PIP_CACHE_DIR"), std::nullopt);
    EXPECT_EQ(layout.environmentFolder("LOPEWELL_UNRELATED"), std::nullopt);
    EXPECT_EQ(layout.cacheHome(), fs::path("/var/cache-of-alice"));
    EXPECT_EQ(layout.stateHome(), layout.home() / ".local/state");
}

TEST(HostLayoutCurrentUser, DataDirsKeepTheSessionsAbsoluteFoldersInOrderOrFallBack)
{
    {
        ScopedEnvironment dirs("XDG_DATA_DIRS", "/var/lib/flatpak/exports/share:share:/usr/share/:");
        EXPECT_EQ(HostLayout::forCurrentUser().dataDirs(), (std::vector<std::string> { "/var/lib/flatpak/exports/share", "/usr/share/" }));
    }
    for (const char* value : { static_cast<const char*>(nullptr), "", "relative:also/relative" }) {
        ScopedEnvironment dirs("XDG_DATA_DIRS", value);
        EXPECT_EQ(HostLayout::forCurrentUser().dataDirs(), (std::vector<std::string> { "/usr/local/share", "/usr/share" }))
            << (value ? value : "unset");
    }
}

TEST(HostLayoutFlavour, IsMacOSExactlyWhenTheRootHoldsMacOSsVersionFile)
{
    const testing::TempDir dir;
    const fs::path& root = dir.path();
    const fs::path versionFile = root / "System/Library/CoreServices/SystemVersion.plist";
    auto decided = [&] { return HostLayout::forCurrentUser(root).flavour(); };

    EXPECT_EQ(decided(), HostFlavour::linuxDesktop);
    fs::create_directories(versionFile);  // a folder of that name is no version file
    EXPECT_EQ(decided(), HostFlavour::linuxDesktop);
    fs::remove(versionFile);
    std::ofstream(versionFile) << "<plist/>";
    EXPECT_EQ(decided(), HostFlavour::macOS);
    EXPECT_EQ(HostLayout::forCurrentUser(root, HostFlavour::linuxDesktop).flavour(), HostFlavour::linuxDesktop);
    EXPECT_EQ(HostLayout::forTesting("/", "/home/a", 1, "a", HostFlavour::macOS).flavour(), HostFlavour::macOS);
}

}  // namespace
}  // namespace lopewell
