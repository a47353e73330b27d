#include "platform/property_list.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

std::string xml(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
        + std::string(body) + "\n</plist>\n";
}

TEST(PropertyListFile, ReadsAFileAndRefusesLinksSpecialFilesAndHugeFiles)
{
    lopewell::testing::TempDir folder;
    lopewell::testing::writeFile(folder / "device.plist", xml("<dict><key>name</key><string>iPad</string></dict>"));
    std::filesystem::create_symlink(folder / "device.plist", folder / "link.plist");
    ASSERT_EQ(::mkfifo((folder / "fifo.plist").c_str(), 0600), 0);
    lopewell::testing::writeFile(folder / "big.plist", xml("<string>" + std::string(2000, 'x') + "</string>"));
    lopewell::testing::writeFile(folder / "bad.plist", xml("<dict><key>name</key></dict>"));

    auto plist = readPropertyListFile(folder / "device.plist");
    ASSERT_TRUE(plist) << plist.error().message;
    EXPECT_EQ(plist.value().stringForKey("name"), "iPad");

    auto link = readPropertyListFile(folder / "link.plist");
    ASSERT_FALSE(link);
    EXPECT_NE(link.error().message.find("symbolic link"), std::string::npos) << link.error().message;
    EXPECT_TRUE(readPropertyListFile(folder / "link.plist", SymlinkPolicy::follow));

    // A FIFO would block a plain read forever.
    auto fifo = readPropertyListFile(folder / "fifo.plist", SymlinkPolicy::refuse);
    ASSERT_FALSE(fifo);
    EXPECT_NE(fifo.error().message.find("not a regular file"), std::string::npos) << fifo.error().message;

    auto big = readPropertyListFile(folder / "big.plist", SymlinkPolicy::refuse, 1000);
    ASSERT_FALSE(big);
    EXPECT_NE(big.error().message.find("too large"), std::string::npos) << big.error().message;
    EXPECT_TRUE(readPropertyListFile(folder / "big.plist", SymlinkPolicy::refuse, 4000));

    for (const char* name : { "bad.plist", "missing.plist", "." }) {
        SCOPED_TRACE(name);
        auto failed = readPropertyListFile(folder / name);
        ASSERT_FALSE(failed);
        EXPECT_NE(failed.error().message.find((folder / name).string()), std::string::npos) << failed.error().message;
    }
}

}  // namespace
}  // namespace lopewell
