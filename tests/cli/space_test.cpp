#include "cli/space.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "cli/commands.h"
#include "core/base/file_url.h"
#include "core/treemap/disk_node.h"
#include "tests/support/temp_tree.h"

namespace lopewell::cli {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

constexpr size_t MiB = 1 << 20;

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran runCommand(std::vector<std::string> arguments, const Environment& environment = {})
{
    std::vector<std::string_view> views(arguments.begin(), arguments.end());
    std::ostringstream out, err;
    Ran ran;
    ran.status = run(views, environment, out, err);
    ran.out = out.str();
    ran.err = err.str();
    return ran;
}

uint64_t allocated(const fs::path& path)
{
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return uint64_t(info.st_blocks) * 512;
}

class SpaceCommandTest : public ::testing::Test {
protected:
    SpaceCommandTest()
    {
        writeFile(dir / "root/Movies/trip.mov", std::string(3 * MiB, 'm'));
        writeFile(dir / "root/Movies/clip.mov", std::string(2 * MiB, 'c'));
        writeFile(dir / "root/Movies/notes.txt", "n");
        writeFile(dir / "root/disk.img", std::string(4 * MiB, 'd'));
        writeFile(dir / "root/a.txt", "a");
        writeFile(dir / "root/b.txt", "b");
        fs::create_directories(dir / "root/Empty");
    }
    TempDir dir;
};

TEST_F(SpaceCommandTest, TextListsTheLargestEntriesLevelByLevelThenTheUnreadableCount)
{
    const Ran ran = runCommand({ "space", (dir / "root").string(), "--depth", "2", "--top", "2" });
    ASSERT_EQ(ran.status, 0) << ran.err;
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> result;
        std::istringstream stream(ran.out);
        for (std::string line; std::getline(stream, line);)
            result.push_back(line);
        return result;
    }();
    ASSERT_EQ(lines.size(), 8u) << ran.out;
    EXPECT_TRUE(lines[0].ends_with("  " + (dir / "root").string())) << lines[0];
    EXPECT_TRUE(lines[1].ends_with("  Movies/")) << lines[1];
    EXPECT_TRUE(lines[2].ends_with("    trip.mov")) << lines[2];
    EXPECT_TRUE(lines[3].ends_with("    clip.mov")) << lines[3];
    EXPECT_TRUE(lines[4].ends_with("    … 1 more")) << lines[4];
    EXPECT_TRUE(lines[5].ends_with("  disk.img")) << lines[5];
    EXPECT_TRUE(lines[6].ends_with("  … 2 more")) << lines[6];  // top 2: small files and Empty left out
    EXPECT_EQ(lines[7], "Unreadable folders: 0");
    EXPECT_EQ(lines[1].substr(0, 11), "     5.2 MB");

    const Ran flat = runCommand({ "space", (dir / "root").string(), "--top", "10" });
    EXPECT_NE(flat.out.find("  Small files (2)\n"), std::string::npos) << flat.out;
    EXPECT_NE(flat.out.find("  Empty/\n"), std::string::npos) << flat.out;
    EXPECT_EQ(flat.out.find("trip.mov"), std::string::npos) << flat.out;
}

TEST_F(SpaceCommandTest, JsonHoldsTheWholeTreeOrTheLevelsAskedFor)
{
    const Ran ran = runCommand({ "space", (dir / "root").string(), "--json" });
    ASSERT_EQ(ran.status, 0) << ran.err;
    const nlohmann::json json = nlohmann::json::parse(ran.out);
    EXPECT_EQ(json["unreadableCount"], 0);
    const nlohmann::json& root = json["root"];
    EXPECT_EQ(root["url"], fileURLString(dir / "root"));
    EXPECT_EQ(root["name"], "root");
    EXPECT_EQ(root["isDirectory"], true);
    const uint64_t expectedTotal = allocated(dir / "root/Movies/trip.mov") + allocated(dir / "root/Movies/clip.mov")
        + allocated(dir / "root/Movies/notes.txt") + allocated(dir / "root/disk.img") + allocated(dir / "root/a.txt")
        + allocated(dir / "root/b.txt");
    EXPECT_EQ(root["size"], expectedTotal);
    ASSERT_EQ(root["children"].size(), 4u);  // Movies, disk.img, Empty in some order, then the aggregate
    const nlohmann::json& aggregate = root["children"][3];
    EXPECT_EQ(aggregate["name"], "Small files (2)");
    EXPECT_EQ(aggregate["isAggregate"], true);
    EXPECT_EQ(aggregate["aggregateCount"], 2);
    EXPECT_EQ(aggregate["url"], fileURLString(dir / "root/.__lopewell_smallfiles__"));
    for (const nlohmann::json& child : root["children"]) {
        EXPECT_EQ(child.size(), 7u);
        if (child["name"] == "Movies") {
            EXPECT_EQ(child["children"].size(), 3u);
        }
    }

    const Ran cut = runCommand({ "space", (dir / "root").string(), "--json", "--depth", "1" });
    const nlohmann::json shallow = nlohmann::json::parse(cut.out);
    ASSERT_EQ(shallow["root"]["children"].size(), 4u);
    for (const nlohmann::json& child : shallow["root"]["children"])
        EXPECT_TRUE(child["children"].empty());
    EXPECT_TRUE(
        nlohmann::json::parse(runCommand({ "space", (dir / "root").string(), "--json", "--depth=0" }).out)["root"]["children"].empty());
}

// /dev/shm is its own file system inside /dev on these machines: a boundary without a mount.
TEST(SpaceCommand, MountPointsAreMarkedAndNotEnteredUnlessCrossMountsIsGiven)
{
    struct stat dev {};
    struct stat shm {};
    if (::stat("/dev", &dev) != 0 || ::stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev)
        GTEST_SKIP() << "/dev/shm is not a mount of its own here";
    TempDir inShm("/dev/shm");
    writeFile(inShm / "big.bin", std::string(2 * MiB, 'b'));
    const auto shmNode = [](const nlohmann::json& json) {
        for (const nlohmann::json& child : json["root"]["children"]) {
            if (child["name"] == "shm")
                return child;
        }
        return nlohmann::json();
    };

    const Ran stayed = runCommand({ "space", "/dev", "--json" });
    ASSERT_EQ(stayed.status, 0) << stayed.err;
    const nlohmann::json json = nlohmann::json::parse(stayed.out);
    const nlohmann::json mount = shmNode(json);
    EXPECT_EQ(mount["mountPoint"], true);
    EXPECT_EQ(mount["isDirectory"], true);
    EXPECT_EQ(mount["size"], 0);
    EXPECT_TRUE(mount["children"].empty());
    const nlohmann::json& listed = json["mountPoints"];
    EXPECT_NE(std::find(listed.begin(), listed.end(), fileURLString(std::string("/dev/shm"))), listed.end()) << listed;
    const Ran text = runCommand({ "space", "/dev", "--top", "1000" });
    EXPECT_NE(text.out.find("  shm/  (Mounted volume — not scanned)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\nMounted volumes not scanned (--cross-mounts enters them):"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" /dev/shm"), std::string::npos);

    const Ran crossed = runCommand({ "space", "/dev", "--json", "--cross-mounts" });
    ASSERT_EQ(crossed.status, 0) << crossed.err;
    const nlohmann::json entered = nlohmann::json::parse(crossed.out);
    EXPECT_FALSE(shmNode(entered).contains("mountPoint"));
    EXPECT_GE(shmNode(entered)["size"], allocated(inShm / "big.bin"));
    EXPECT_TRUE(entered["mountPoints"].empty());
}

TEST_F(SpaceCommandTest, BadInputGetsAClearErrorAndAnExitCode)
{
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::string root = (dir / "root").string();
    const Case cases[] = {
        { { "space" }, 2, "missing DIR" },
        { { "space", root, "--top", "0" }, 2, "--top must be a whole number of at least 1" },
        { { "space", root, "--depth", "-1" }, 2, "--depth must be a whole number of at least 0" },
        { { "space", root, "--size", "10x10" }, 2, "--size goes with --png" },
        { { "space", root, "--png", "/tmp/x.png", "--size", "10by10" }, 2, "--size must be WIDTHxHEIGHT" },
        { { "space", root, "--png", "/tmp/x.png", "--size", "0x10" }, 2, "--size must be WIDTHxHEIGHT" },
        { { "space", root, "--png", (dir / "map.png").string() }, 1, "cannot draw PNG files" },
        { { "space", (dir / "missing").string() }, 1, "no folder at" },
        { { "space", (dir / "root/disk.img").string() }, 1, "no folder at" },
        { { "space", root, root }, 2, "unexpected argument" },
        { { "space", root, "--colour" }, 2, "unknown option" },
    };
    for (const Case& c : cases) {
        const Ran ran = runCommand(c.arguments);
        EXPECT_EQ(ran.status, c.status) << c.arguments.back();
        EXPECT_NE(ran.err.find(c.message), std::string::npos) << ran.err;
        EXPECT_TRUE(ran.out.empty()) << ran.out;
    }
    EXPECT_FALSE(fs::exists(dir / "map.png"));
}

TEST_F(SpaceCommandTest, HandsTheRootToThePainterAtTheAskedSize)
{
    Environment environment;
    std::string drawnPath;
    int drawnWidth = 0, drawnHeight = 0;
    environment.drawTreemap = [&](const DiskNode& folder, const std::string& file, int width, int height) -> ErrorOr<void> {
        drawnPath = folder.path();
        drawnWidth = width;
        drawnHeight = height;
        if (file.ends_with("refused.png"))
            return Error { 13, "cannot write " + file };
        return {};
    };
    EXPECT_EQ(
        runCommand({ "space", (dir / "root").string(), "--png", (dir / "map.png").string(), "--size", "640x480" }, environment).status, 0);
    EXPECT_EQ(drawnPath, (dir / "root").string());
    EXPECT_EQ(drawnWidth, 640);
    EXPECT_EQ(drawnHeight, 480);
    const Ran refused = runCommand({ "space", (dir / "root").string(), "--png", (dir / "refused.png").string() }, environment);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("cannot write"), std::string::npos);
    EXPECT_EQ(drawnWidth, 1200);
}

TEST(SpaceCommand, ShowsControlCharactersAndBrokenUtf8InNamesAsQuestionMarks)
{
    TempDir dir;
    writeFile(dir / "root" / "evil\x1b[2Jname\xff" / "big", std::string(2 * MiB, 'x'));
    const Ran ran = runCommand({ "space", (dir / "root").string() });
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.out.find("  evil?[2Jname?/\n"), std::string::npos) << ran.out;
    const Ran json = runCommand({ "space", (dir / "root").string(), "--json" });
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    // The url keeps every byte (percent-encoded); the name is readable text.
    EXPECT_EQ(pathFromFileURL(parsed["root"]["children"][0]["url"].get<std::string>()), dir / "root" / "evil\x1b[2Jname\xff");
}

}  // namespace
}  // namespace lopewell::cli
