#include "platform/login_item.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_dir / "home"); }

    HostLayout layout() const { return HostLayout::forTesting(m_dir / "root", m_dir / "home", 1000, "alice", HostFlavour::macOS); }
    LoginItemService service(std::string executable = "/opt/Lopewell/bin/lopewell") const { return LoginItemService(layout(), executable); }
    fs::path autostart() const { return m_dir / "home" / ".config" / "autostart"; }
    fs::path entry() const { return autostart() / "com.vantorel.lopewellmac.desktop"; }

    testing::TempDir m_dir;
};

TEST_F(LoginItemTest, RegisteringWritesAnEnabledEntryIntoANewAutostartFolder)
{
    LoginItemService loginItem = service("/opt/My Apps/lopewell");
    EXPECT_EQ(loginItem.entryPath(), entry());
    EXPECT_EQ(loginItem.status(), LoginItemStatus::notRegistered);

    ASSERT_TRUE(loginItem.registerItem());
    EXPECT_EQ(loginItem.status(), LoginItemStatus::enabled);
    EXPECT_EQ(readFile(entry()),
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Lopewell\n"
        "Exec=\"/opt/My Apps/lopewell\"\n"
        "X-GNOME-Autostart-enabled=true\n"
        "X-Lopewell-LoginItem=true\n");
    // Only the entry: no temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(autostart()), fs::directory_iterator {}), 1);

    ASSERT_TRUE(loginItem.registerItem()) << "registering again replaces our own entry";
    ASSERT_TRUE(loginItem.unregisterItem());
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(loginItem.status(), LoginItemStatus::notRegistered);
    EXPECT_TRUE(loginItem.unregisterItem()) << "nothing to remove is not an error";
}

TEST_F(LoginItemTest, WithoutAnExecutableGivenTheRunningProgramIsRegistered)
{
    LoginItemService loginItem(layout());
    ASSERT_TRUE(loginItem.registerItem());
    const fs::path self = fs::read_symlink("/proc/self/exe");
    EXPECT_NE(readFile(entry()).find("Exec=\"" + self.string() + "\"\n"), std::string::npos) << readFile(entry());
}

TEST_F(LoginItemTest, StatusFollowsWhatTheSessionWouldStart)
{
    struct Case {
        const char* contents;
        LoginItemStatus expected;
    };
    const Case cases[] = {
        { "[Desktop Entry]\nType=Application\nExec=x\n", LoginItemStatus::enabled },
        { "[Desktop Entry]\nHidden=true\n", LoginItemStatus::disabled },
        { "[Desktop Entry]\nHidden = 1\n", LoginItemStatus::disabled },
        { "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", LoginItemStatus::disabled },
        { "[Desktop Entry]\nX-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-enabled=false\n", LoginItemStatus::disabled },
        { "[Desktop Entry]\nHidden=false\nX-GNOME-Autostart-enabled=true\n", LoginItemStatus::enabled },
        { "[Desktop Entry]\n# Hidden=true\n[Desktop Action quit]\nHidden=true\n", LoginItemStatus::enabled },
        { "[Desktop Entry]\r\nHidden=true\r\n", LoginItemStatus::disabled },
        { "", LoginItemStatus::enabled },
    };
    fs::create_directories(autostart());
    for (const Case& c : cases) {
        writeFile(entry(), c.contents);
        EXPECT_EQ(service().status(), c.expected) << c.contents;
    }
}

TEST_F(LoginItemTest, SomethingOtherThanAFileInTheEntrysPlaceIsNotEnabledAndIsLeftAlone)
{
    fs::create_directories(autostart());
    const fs::path elsewhere = m_dir / "elsewhere.desktop";
    const std::string elsewhereText = "[Desktop Entry]\nX-Lopewell-LoginItem=true\n";
    writeFile(elsewhere, elsewhereText);

    // A link is not followed, not even to an entry of ours.
    fs::create_symlink(elsewhere, entry());
    LoginItemService loginItem = service();
    EXPECT_EQ(loginItem.status(), LoginItemStatus::disabled);
    for (ErrorOr<void> result : { loginItem.registerItem(), loginItem.unregisterItem() }) {
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find("is not a regular file"), std::string::npos) << result.error().message;
    }
    EXPECT_TRUE(fs::is_symlink(entry()));
    EXPECT_EQ(readFile(elsewhere), elsewhereText);

    fs::remove(entry());
    fs::create_directory(entry());
    writeFile(entry() / "keep", "x");
    EXPECT_EQ(loginItem.status(), LoginItemStatus::disabled);
    EXPECT_FALSE(loginItem.registerItem());
    EXPECT_FALSE(loginItem.unregisterItem());
    EXPECT_EQ(readFile(entry() / "keep"), "x");
}

TEST_F(LoginItemTest, AnEntryWeDidNotWriteIsNeverReplacedOrRemoved)
{
    fs::create_directories(autostart());
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Mine\nExec=/usr/bin/mine\n";
    writeFile(entry(), foreign);
    LoginItemService loginItem = service();
    EXPECT_EQ(loginItem.status(), LoginItemStatus::enabled);

    for (ErrorOr<void> result : { loginItem.registerItem(), loginItem.unregisterItem() }) {
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find("was not written by Lopewell"), std::string::npos) << result.error().message;
    }
    EXPECT_EQ(readFile(entry()), foreign);
}

TEST_F(LoginItemTest, ReRegisteringEnablesAnEntryTheDesktopSwitchedOff)
{
    LoginItemService loginItem = service();
    ASSERT_TRUE(loginItem.registerItem());
    // What the desktop's startup-applications settings do to our file.
    writeFile(entry(), readFile(entry()) + "Hidden=true\n");
    EXPECT_EQ(loginItem.status(), LoginItemStatus::disabled);

    ASSERT_TRUE(loginItem.registerItem());
    EXPECT_EQ(loginItem.status(), LoginItemStatus::enabled);
}

TEST_F(LoginItemTest, AFileWhereTheAutostartFolderBelongsIsAClearErrorAndStaysUntouched)
{
    fs::create_directories(autostart().parent_path());
    writeFile(autostart(), "notes");
    LoginItemService loginItem = service();
    EXPECT_EQ(loginItem.status(), LoginItemStatus::notRegistered);

    ErrorOr<void> result = loginItem.registerItem();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, autostart().string() + " exists but is not a folder");
    EXPECT_EQ(readFile(autostart()), "notes");
    EXPECT_TRUE(loginItem.unregisterItem());
}

TEST(LoginItemDesktopEntry, QuotesTheProgramPathByTheDesktopEntryRules)
{
    struct Case {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        { "/usr/bin/lopewell", R"("/usr/bin/lopewell")" },
        { "/opt/a b/lopewell", R"("/opt/a b/lopewell")" },
        // Quoting escapes first, then the string value's own escape of the backslash.
        { R"(/opt/say "hi"/x)", R"("/opt/say \\"hi\\"/x")" },
        { "/opt/$HOME/`x`", R"("/opt/\\$HOME/\\`x\\`")" },
        { R"(/opt/back\slash)", R"("/opt/back\\\\slash")" },
        { "/opt/100%/x %f", R"("/opt/100%%/x %%f")" },
        { "/opt/caf\xc3\xa9/x", "\"/opt/caf\xc3\xa9/x\"" },
    };
    for (const Case& c : cases) {
        ErrorOr<std::string> text = loginItemDesktopEntry(c.path);
        ASSERT_TRUE(text) << c.path;
        EXPECT_NE(text.value().find(std::string("\nExec=") + c.exec + "\n"), std::string::npos) << text.value();
    }
}

TEST(LoginItemDesktopEntry, RefusesPathsAnExecLineCannotHold)
{
    for (const char* path : { "", "lopewell", "bin/lopewell", "/opt/line\nbreak", "/opt/tab\there", "/opt/\xff\xfe" }) {
        ErrorOr<std::string> text = loginItemDesktopEntry(path);
        ASSERT_FALSE(text) << path;
        EXPECT_FALSE(text.error().message.empty());
    }
}

}  // namespace
}  // namespace lopewell
