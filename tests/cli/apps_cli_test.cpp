// `lopewell apps ...` as a user runs it, against fixture trees of both flavours.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/app/apps/apps_fixture.h"
#include "tests/app/apps/desktop_fixture.h"
#include "tests/support/run_program.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Finished;
using testing::makeBundle;
using testing::plistEntry;
using testing::writeFile;

Finished runLopewell(std::vector<std::string> arguments, const std::string& input = {})
{
    ChildCommand command(LOPEWELL_EXECUTABLE, std::move(arguments));
    command.input = input;
    return testing::runProgram(command);
}

class AppsCommand : public ::testing::Test {
protected:
    AppsCommand()
    {
        writeFile(root / "System/Library/CoreServices/SystemVersion.plist", testing::infoPlist(""));
        makeBundle(root / "Applications/Notes.app", "com.example.notes", plistEntry("CFBundleShortVersionString", "4.1"));
        makeBundle(root / "System/Applications/Mail.app", "com.apple.mail");
        writeFile(home / "Library/Caches/com.example.notes/c", std::string(5000, 'c'));
        writeFile(root / "Applications/NoId.app/Contents/Info.plist", testing::infoPlist(""));
    }

    Finished apps(std::vector<std::string> arguments, const std::string& input = {})
    {
        arguments.insert(arguments.begin(), { "--system-root", root.string(), "--home", home.string(), "apps" });
        return runLopewell(std::move(arguments), input);
    }

    testing::TempDir dir;
    fs::path root = dir / "mac";
    fs::path home = dir / "mac/Users/ann";
};

TEST_F(AppsCommand, ListsTheInstalledAppsFilteredBySourceAndText)
{
    const Finished all = apps({ "--json" });
    ASSERT_EQ(all.exitCode, 0) << all.err;
    const json list = json::parse(all.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["name"], "Mail");
    EXPECT_EQ(list[0]["source"], "apple");
    EXPECT_EQ(list[1]["url"], "file://" + (root / "Applications/Notes.app").string());
    EXPECT_EQ(list[1]["bundleID"], "com.example.notes");
    EXPECT_EQ(list[1]["version"], "4.1");
    EXPECT_GT(list[1]["size"].get<std::uint64_t>(), 0u);

    const Finished apple = apps({ "--source", "apple" });
    ASSERT_EQ(apple.exitCode, 0) << apple.err;
    EXPECT_NE(apple.out.find("Mail  v—  Apple"), std::string::npos) << apple.out;
    EXPECT_NE(apple.out.find("1 app · "), std::string::npos) << apple.out;
    EXPECT_EQ(json::parse(apps({ "--filter", "NOTES", "--json" }).out).size(), 1u);

    const Finished wrong = apps({ "--source", "flatpak" });
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("unknown source 'flatpak' (one of: apple, appStore, other)"), std::string::npos) << wrong.err;
}

TEST_F(AppsCommand, LeftoversOfABundleAndTheErrorForOneWithoutIdentifier)
{
    const Finished found = apps({ "leftovers", (root / "Applications/Notes.app").string(), "--json" });
    ASSERT_EQ(found.exitCode, 0) << found.err;
    const json result = json::parse(found.out);
    EXPECT_EQ(result["bundleID"], "com.example.notes");
    ASSERT_EQ(result["items"].size(), 2u);
    EXPECT_EQ(result["items"][1]["url"], "file://" + (home / "Library/Caches/com.example.notes").string());
    EXPECT_EQ(result["items"][1]["selected"], true);

    const Finished unreadable = apps({ "leftovers", (root / "Applications/NoId.app").string() });
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(
        unreadable.err, "Couldn't read that app\nWe couldn't read NoId.app's bundle identifier. Pick a different .app and try again.\n");
    EXPECT_EQ(apps({ "leftovers" }).exitCode, 2);
}

TEST_F(AppsCommand, UninstallAsksThenMovesTheBundleAndItsLeftoversToTheTrash)
{
    const fs::path bundle = root / "Applications/Notes.app";
    const Finished declined = apps({ "uninstall", bundle.string() }, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(fs::exists(bundle));

    const Finished done = apps({ "uninstall", bundle.string() }, "y\n");
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.out.find("Removed 2 items; 0 failed."), std::string::npos) << done.out;
    EXPECT_FALSE(fs::exists(bundle));
    EXPECT_FALSE(fs::exists(home / "Library/Caches/com.example.notes"));
    EXPECT_TRUE(fs::exists(home / ".local/share/Trash/files/Notes.app/Contents/Info.plist"));
}

TEST(AppsLinuxCommand, NameMatchesCarryTheirReasonAndStayUnselected)
{
    testing::DesktopFixture desktop;
    desktop.populate();
    writeFile(desktop.home / ".var/app/org.example.Paint/x", "p");
    writeFile(desktop.config / "paint/x", "p");
    const Finished found = runLopewell({ "--system-root", desktop.root.string(), "--home", desktop.home.string(), "--flavour", "linux",
        "apps", "leftovers", "org.example.Paint", "--json" });
    ASSERT_EQ(found.exitCode, 0) << found.err;
    const json result = json::parse(found.out);
    EXPECT_EQ(result["removal"], "flatpak");
    ASSERT_EQ(result["items"].size(), 3u);
    EXPECT_EQ(result["items"][1]["selected"], true);
    EXPECT_EQ(result["items"][2]["selected"], false);
    EXPECT_EQ(result["items"][2]["reason"], "named like \"paint\"");

    const Finished listed = runLopewell({ "--system-root", desktop.root.string(), "--home", desktop.home.string(), "--flavour", "linux",
        "apps", "--source", "snap", "--json" });
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(json::parse(listed.out)[0]["snap"], "notepad");
}

}  // namespace
}  // namespace lopewell
