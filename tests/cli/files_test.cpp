#include "cli/files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/base/file_url.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace lopewell::cli {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran runCommand(std::vector<std::string> arguments)
{
    std::vector<std::string_view> views(arguments.begin(), arguments.end());
    std::ostringstream out, err;
    Ran ran;
    ran.status = run(views, Environment {}, out, err);
    ran.out = out.str();
    ran.err = err.str();
    return ran;
}

TEST(FilesCommand, ParsesSizesInBytesAndBinaryUnits)
{
    const std::pair<const char*, std::uint64_t> valid[] = {
        { "0", 0 },
        { "1048576", 1'048'576 },
        { "100M", 104'857'600 },
        { "1G", 1'073'741'824 },
        { "1g", 1'073'741'824 },
        { "1GiB", 1'073'741'824 },
        { "1GB", 1'073'741'824 },
        { "512k", 524'288 },
        { "1.5G", 1'610'612'736 },
        { "0.5K", 512 },
        { "2T", 2'199'023'255'552 },
        { "18446744073709551615", 18'446'744'073'709'551'615ULL },
    };
    for (const auto& [text, bytes] : valid) {
        ErrorOr<std::uint64_t> parsed = parseByteSize(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed.value(), bytes) << text;
    }
    for (const char* text : { "", "M", "1.5", "-1", "+1", "1.G", ".5G", "5Q", "1MBs", "1 M", "18446744073709551616", "16384P", "0x10" })
        EXPECT_FALSE(parseByteSize(text)) << text;
}

class FilesCommandTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(FilesCommandTest, LargeFilesAsJsonInScannerOrderAndAsTextLargestFirst)
{
    writeFile(dir / "small", std::string(100, 's'));
    writeFile(dir / "a/big", std::string(300'000, 'b'));
    writeFile(dir / "a/bigger", std::string(600'000, 'c'));

    const Ran json = runCommand({ "files", "large", dir.path().string(), "--min", "200K", "--json" });
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    ASSERT_EQ(parsed["items"].size(), 2u);
    std::uint64_t total = 0;
    std::vector<std::string> urls;
    for (const auto& item : parsed["items"]) {
        urls.push_back(item["url"]);
        total += item["size"].get<std::uint64_t>();
        EXPECT_TRUE(item["modificationDate"].is_number());
    }
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string> { fileURLString(dir / "a/big"), fileURLString(dir / "a/bigger") }));
    EXPECT_EQ(parsed["totalBytes"], total);
    EXPECT_EQ(json.out.rfind("{\"items\":[{\"url\":", 0), 0u) << json.out;

    const Ran text = runCommand({ "files", "large", "--min=200K", dir.path().string() });
    ASSERT_EQ(text.status, 0) << text.err;
    const auto bigger = text.out.find((dir / "a/bigger").string());
    const auto big = text.out.find((dir / "a/big").string() + "\n");
    ASSERT_NE(bigger, std::string::npos);
    ASSERT_NE(big, std::string::npos);
    EXPECT_LT(bigger, big);
    EXPECT_NE(text.out.find("2 files · "), std::string::npos) << text.out;
}

TEST_F(FilesCommandTest, DuplicatesAsJsonWithTheCanonicalCopyFirst)
{
    const std::string body(50'000, 'd');
    writeFile(dir / "long/path/copy", body);
    writeFile(dir / "keep", body);
    writeFile(dir / ".hidden", body);
    const Ran ran = runCommand({ "files", "dupes", dir.path().string(), "--min", "1", "--json" });
    ASSERT_EQ(ran.status, 0) << ran.err;
    const nlohmann::json parsed = nlohmann::json::parse(ran.out);
    ASSERT_EQ(parsed["groups"].size(), 1u);
    const auto& group = parsed["groups"][0];
    EXPECT_EQ(group["id"].get<std::string>().size(), 64u);
    EXPECT_EQ(group["files"], nlohmann::json::array({ fileURLString(dir / "keep"), fileURLString(dir / "long/path/copy") }));
    EXPECT_EQ(parsed["reclaimableBytes"], group["size"]);
    EXPECT_EQ(ran.out.rfind("{\"groups\":[{\"id\":", 0), 0u) << ran.out;

    const Ran text = runCommand({ "files", "dupes", dir.path().string(), "--min", "1" });
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("  keep  " + (dir / "keep").string() + "\n        " + (dir / "long/path/copy").string()), std::string::npos)
        << text.out;
}

TEST_F(FilesCommandTest, BadInputGetsAClearErrorAndAnExitCode)
{
    writeFile(dir / "file", "x");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* message;
    };
    const Case cases[] = {
        { { "files" }, 2, "missing scan" },
        { { "files", "huge", dir.path().string() }, 2, "unknown scan 'huge'" },
        { { "files", "large" }, 2, "missing DIR" },
        { { "files", "large", dir.path().string(), dir.path().string() }, 2, "unexpected argument" },
        { { "files", "large", dir.path().string(), "--days", "3" }, 2, "unknown option '--days'" },
        { { "files", "old", dir.path().string(), "--days", "-3" }, 2, "--days must be a whole number" },
        { { "files", "dupes", dir.path().string(), "--min", "lots" }, 2, "--min must be a size" },
        { { "files", "dupes", (dir / "file").string() }, 1, "Couldn't read that folder — check permissions." },
        { { "files", "old", (dir / "nowhere").string() }, 1, "Couldn't read that folder — check permissions." },
    };
    for (const Case& c : cases) {
        const Ran ran = runCommand(c.arguments);
        EXPECT_EQ(ran.status, c.status) << c.arguments.back();
        EXPECT_NE(ran.err.find(c.message), std::string::npos) << ran.err;
        EXPECT_TRUE(ran.out.empty());
    }
}

// Runs the real executable with its own data home (so its Trash is the test's), feeding `input`.
Ran runExecutable(const std::vector<std::string>& arguments, const fs::path& dataHome, const std::string& input)
{
    ChildCommand command(LOPEWELL_EXECUTABLE, arguments);
    command.environment = { { "XDG_DATA_HOME=" + dataHome.string(), "HOME=" + dataHome.parent_path().string(), "PATH=/usr/bin:/bin" } };
    command.input = input;
    testing::Finished finished = testing::runProgram(command);
    Ran ran;
    ran.status = finished.signal ? -1 : finished.exitCode;
    ran.out = std::move(finished.out);
    ran.err = std::move(finished.err);
    return ran;
}

TEST_F(FilesCommandTest, TrashMovesEveryCopyButTheCanonicalOneAfterAYes)
{
    const fs::path tree = dir / "tree";
    const fs::path dataHome = dir / "home/.local/share";
    fs::create_directories(dataHome);
    const std::string body(40'000, 'z');
    for (const char* name : { "keep", "sub/copy-1", "sub/copy-2" })
        writeFile(tree / name, body);
    writeFile(tree / "unique", std::string(40'000, 'u'));

    const Ran declined = runExecutable({ "files", "dupes", tree.string(), "--min", "1", "--trash" }, dataHome, "n\n");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.err.find("Move 2 copies ("), std::string::npos) << declined.err;
    EXPECT_NE(declined.err.find("Nothing was moved."), std::string::npos);
    EXPECT_TRUE(fs::exists(tree / "sub/copy-1"));

    const Ran accepted = runExecutable({ "files", "dupes", tree.string(), "--min", "1", "--trash" }, dataHome, "y\n");
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_NE(accepted.out.find("Moved 2 files to the Trash"), std::string::npos) << accepted.out;
    EXPECT_TRUE(fs::exists(tree / "keep"));
    EXPECT_TRUE(fs::exists(tree / "unique"));
    EXPECT_FALSE(fs::exists(tree / "sub/copy-1"));
    EXPECT_FALSE(fs::exists(tree / "sub/copy-2"));
    EXPECT_TRUE(fs::exists(dataHome / "Trash/files/copy-1"));

    const Ran nothing = runExecutable({ "files", "dupes", tree.string(), "--min", "1", "--trash", "--yes" }, dataHome, "");
    EXPECT_EQ(nothing.status, 0);
    EXPECT_NE(nothing.out.find("Nothing to move to the Trash."), std::string::npos) << nothing.out;

    EXPECT_EQ(runCommand({ "files", "dupes", tree.string(), "--yes" }).status, 2);
}

TEST(FilesCommand, ShowsControlCharactersInNamesAsQuestionMarks)
{
    EXPECT_EQ(terminalSafe("/a/\x1b[2Jb\n\x7f\xc3\xa9"), "/a/?[2Jb??\xc3\xa9");
}

}  // namespace
}  // namespace lopewell::cli
