#include "platform/app_resources.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

std::string contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(AppResources, TheBuildTreeHoldsTheShippedSignatureLists)
{
    for (HostFlavour flavour : { HostFlavour::macOS, HostFlavour::linuxDesktop }) {
        const std::string_view name = signatureResourceName(flavour);
        const auto found = appResourcePath(name);
        ASSERT_TRUE(found) << name;
        EXPECT_EQ(contents(*found), contents(std::filesystem::path(LOPEWELL_SOURCE_DIR) / "resources" / name));
    }
    EXPECT_EQ(signatureResourceName(HostFlavour::macOS), "adware-signatures.json");
    EXPECT_EQ(signatureResourceName(HostFlavour::linuxDesktop), "adware-signatures-linux.json");
}

TEST(AppResources, LooksBesideTheExecutablesFolderForRegularFilesOnly)
{
    testing::TempDir tree;
    const std::filesystem::path executable = tree.path() / "prefix/bin/lopewell";
    testing::writeFile(executable, "");
    testing::writeFile(tree.path() / "prefix/share/lopewell/list.json", "[]");
    testing::writeFile(tree.path() / "prefix/share/other.json", "[]");
    std::filesystem::create_directories(tree.path() / "prefix/share/lopewell/folder.json");
    std::filesystem::create_symlink("list.json", tree.path() / "prefix/share/lopewell/link.json");

    EXPECT_EQ(appResourcePath("list.json", executable), tree.path() / "prefix/share/lopewell/list.json");
    EXPECT_EQ(appResourcePath("link.json", executable), tree.path() / "prefix/share/lopewell/link.json");
    for (std::string_view refused : { "missing.json", "folder.json", "../other.json", "", ".", ".." })
        EXPECT_FALSE(appResourcePath(refused, executable)) << refused;
    EXPECT_FALSE(appResourcePath("list.json", "prefix/bin/lopewell"));  // a relative executable path says nothing
}

}  // namespace
}  // namespace lopewell
