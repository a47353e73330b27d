// `lopewell storage ...` as a user runs it, against a fixture system root and home.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Finished;
using testing::TempDir;
using testing::writeFile;

// Runs lopewell with `arguments`, feeding `input` on its standard input.
Finished runLopewell(std::vector<std::string> arguments, const std::string& input = {})
{
    ChildCommand command(LOPEWELL_EXECUTABLE, std::move(arguments));
    command.input = input;
    return testing::runProgram(command);
}

class StorageCommand : public ::testing::Test {
protected:
    // A macOS tree: the catalogue of the Library.
    StorageCommand()
    {
        writeFile(root / "sys/System/Library/CoreServices/SystemVersion.plist", "<plist version=\"1.0\"><dict/></plist>");
        fs::create_directories(root / "home");
    }

    Finished storage(std::vector<std::string> arguments, const std::string& input = {})
    {
        arguments.insert(arguments.begin(), { "--system-root", (root / "sys").string(), "--home", (root / "home").string(), "storage" });
        return runLopewell(std::move(arguments), input);
    }
    fs::path home(const std::string& relative) const { return root / "home" / relative; }
    fs::path cacheFile() const { return home(".local/share/com.vantorel.lopewellmac/StorageScanCache.json"); }

    TempDir root;
};

TEST_F(StorageCommand, ListsTheCatalogueOnTheGivenRootAndHome)
{
    fs::create_directories(home("Library/Mail/V10"));
    const Finished result = storage({ "list", "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json list = json::parse(result.out);
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(list[0],
        json::parse(R"({"id":"system.userCaches","title":"User Caches","section":"systemJunk","risk":"low",
        "defaultEnabled":true,"requiresFullDiskAccess":false,"grouping":"flat","paths":[")"
            + home("Library/Caches").string() + R"("]})"));
    EXPECT_EQ(list[3]["paths"], json::array({ (root / "sys/Library/Caches").string() }));
    EXPECT_EQ(list[20]["id"], "media.mailAttachments");
    EXPECT_EQ(list[20]["paths"], json::array({ home("Library/Mail/V10/MailData/Attachments").string() }));

    const Finished text = storage({ "list" });
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("Mail & Photos — Heavy media caches."), std::string::npos);
    EXPECT_NE(text.out.find("  dev.xcodeArchives  Xcode Archives  [High risk]\n"), std::string::npos);
}

TEST_F(StorageCommand, ScansTheNamedCategoriesAndUpdatesTheCache)
{
    writeFile(home("Library/Caches/com.example/data.db"), std::string(10000, 'd'));
    writeFile(home("Library/Caches/odd \xFF name"), "x");
    writeFile(home("Library/Developer/Xcode/DerivedData/MyApp-abcdefghijklmnopqrstuvwxyz/Build/o"), "o");
    const Finished result = storage({ "scan", "system.userCaches", "dev.npmCache", "dev.xcodeDerivedData", "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");  // progress goes to a terminal only
    const json scans = json::parse(result.out);
    EXPECT_EQ(scans.size(), 3u);

    const json& caches = scans["system.userCaches"];
    EXPECT_EQ(caches["state"], "scanned");
    ASSERT_EQ(caches["items"].size(), 2u);
    uint64_t sum = 0;
    std::set<std::string> urls;
    for (const json& item : caches["items"]) {
        sum += item["size"].get<uint64_t>();
        urls.insert(item["url"].get<std::string>());
        EXPECT_TRUE(item["modificationDate"].is_number_float());
    }
    EXPECT_EQ(caches["totalBytes"], sum);
    EXPECT_TRUE(urls.contains("file://" + home("Library/Caches/odd%20%FF%20name").string()));

    EXPECT_EQ(scans["dev.npmCache"], json::parse(R"({"state":"missing","totalBytes":0,"items":[]})"));
    EXPECT_EQ(scans["dev.xcodeDerivedData"]["items"][0]["displayName"], "MyApp");

    const json cache = json::parse(testing::readFile(cacheFile()));
    EXPECT_EQ(cache["system.userCaches"]["totalBytes"], sum);
    EXPECT_EQ(cache["system.userCaches"]["itemCount"], 2);
    EXPECT_EQ(cache["dev.xcodeDerivedData"]["itemCount"], 1);
    EXPECT_FALSE(cache.contains("dev.npmCache"));

    const Finished text = storage({ "scan", "dev.npmCache", "system.userCaches" });
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out.substr(0, text.out.find('\n')), "npm Cache (dev.npmCache): not present");
    EXPECT_NE(text.out.find("User Caches (system.userCaches): 2 items · "), std::string::npos);
}

TEST_F(StorageCommand, ScanWithoutIdsCoversEveryCategory)
{
    const Finished result = storage({ "scan", "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json scans = json::parse(result.out);
    EXPECT_EQ(scans.size(), 24u);
    EXPECT_EQ(scans["media.photosDerivatives"], json::parse(R"({"state":"scanned","totalBytes":0,"items":[]})"));  // no folders at all
}

TEST_F(StorageCommand, SmartScanCoversTheDefaultCategories)
{
    writeFile(home(".Trash/old.iso"), std::string(20000, 'i'));
    writeFile(home("Library/Logs/app.log"), "log");
    const Finished result = storage({ "smart", "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json scans = json::parse(result.out);
    EXPECT_EQ(scans.size(), 3u);
    EXPECT_EQ(scans["system.userCaches"]["state"], "missing");
    EXPECT_EQ(scans["system.userLogs"]["items"].size(), 1u);
    EXPECT_EQ(scans["system.trash"]["items"][0]["url"], "file://" + home(".Trash/old.iso").string());
    const json cache = json::parse(testing::readFile(cacheFile()));
    EXPECT_TRUE(cache.contains("system.trash"));
    EXPECT_TRUE(cache.contains("system.userLogs"));

    const Finished text = storage({ "smart" });
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("Reclaimable: "), std::string::npos);
    EXPECT_NE(text.out.find(" across 2 categories\n"), std::string::npos);
}

TEST_F(StorageCommand, CleanAsksThenMovesEverythingToTheFixtureHomesTrash)
{
    writeFile(home("Library/Caches/big.bin"), std::string(50000, 'b'));
    writeFile(home("Library/Caches/sub/small file.txt"), "s");

    const Finished declined = storage({ "clean", "system.userCaches" }, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.out.find("Total: 2 items · "), std::string::npos);
    EXPECT_NE(declined.err.find("Move 2 items to Trash? [y/N] "), std::string::npos);
    EXPECT_NE(declined.err.find("Cancelled; nothing was moved."), std::string::npos);
    EXPECT_TRUE(fs::exists(home("Library/Caches/big.bin")));
    const Finished noAnswer = storage({ "clean", "system.userCaches" });
    EXPECT_EQ(noAnswer.exitCode, 1);
    EXPECT_TRUE(fs::exists(home("Library/Caches/big.bin")));

    const Finished accepted = storage({ "clean", "system.userCaches" }, "y\n");
    ASSERT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_NE(accepted.out.find("Moved 2 items to Trash; 0 failed.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(home("Library/Caches/big.bin")));
    EXPECT_FALSE(fs::exists(home("Library/Caches/sub/small file.txt")));
    EXPECT_TRUE(fs::is_directory(home("Library/Caches/sub")));  // folders are walked, not listed
    // In the desktop's trash under the given home, restorable.
    EXPECT_TRUE(fs::exists(home(".local/share/Trash/files/big.bin")));
    const std::string info = testing::readFile(home(".local/share/Trash/info/small file.txt.trashinfo"));
    EXPECT_NE(info.find("Path=" + home("Library/Caches/sub/small%20file.txt").string() + "\n"), std::string::npos) << info;
    const json cache = json::parse(testing::readFile(cacheFile()));
    EXPECT_EQ(cache["system.userCaches"]["itemCount"], 0);
    EXPECT_EQ(cache["system.userCaches"]["totalBytes"], 0);
}

TEST_F(StorageCommand, CleaningTheTrashCategoryDeletesForGoodAndNothingElse)
{
    writeFile(home(".Trash/old/report.pdf"), "pdf");
    writeFile(root / "outside/precious.txt", "keep");
    fs::create_symlink(root / "outside", home(".Trash/link-to-outside"));
    const Finished result = storage({ "clean", "system.trash", "--yes" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Deleted 2 items permanently; 0 failed.\n"), std::string::npos) << result.out;
    EXPECT_FALSE(fs::exists(home(".Trash/old/report.pdf")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(home(".Trash/link-to-outside"))));
    EXPECT_EQ(testing::readFile(root / "outside/precious.txt"), "keep");
    EXPECT_FALSE(fs::exists(home(".local/share/Trash/files")));  // nothing was recycled

    const Finished again = storage({ "clean", "system.trash", "--yes" });
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "Nothing to clean: Trash holds nothing.\n");
    const Finished absent = storage({ "clean", "dev.npmCache", "--yes" });
    EXPECT_EQ(absent.exitCode, 0);
    EXPECT_EQ(absent.out, "Nothing to clean: npm Cache is not present.\n");
}

TEST_F(StorageCommand, CleanReportsWhatCouldNotMoveAndExitsOne)
{
    // An ordinary user's home with one file it may move and one in a folder it may not change.
    constexpr uid_t nobody = 65534;
    writeFile(home("Library/Caches/free.txt"), "free");
    writeFile(home("Library/Caches/locked/stuck.txt"), "stuck");
    for (const char* owned : { "", "Library", "Library/Caches", "Library/Caches/free.txt" })
        ASSERT_EQ(lchown(home(owned).c_str(), nobody, nobody), 0);
    const fs::path out = root / "out.txt", err = root / "err.txt";
    for (const fs::path& file : { out, err }) {
        writeFile(file, "");
        chmod(file.c_str(), 0666);
    }
    const int status = testing::runUnprivileged([&] {
        const int outFd = open(out.c_str(), O_WRONLY | O_TRUNC);
        const int errFd = open(err.c_str(), O_WRONLY | O_TRUNC);
        if (outFd < 0 || errFd < 0 || dup2(outFd, STDOUT_FILENO) < 0 || dup2(errFd, STDERR_FILENO) < 0)
            return 100;
        const std::string rootArgument = (root / "sys").string(), homeArgument = (root / "home").string();
        execl(LOPEWELL_EXECUTABLE, LOPEWELL_EXECUTABLE, "--system-root", rootArgument.c_str(), "--home", homeArgument.c_str(), "storage",
            "clean", "system.userCaches", "--yes", static_cast<char*>(nullptr));
        return 101;
    });
    EXPECT_EQ(status, 1) << testing::readFile(err);
    EXPECT_NE(testing::readFile(out).find("Moved 1 item to Trash; 1 failed.\n"), std::string::npos) << testing::readFile(out);
    const std::string errors = testing::readFile(err);
    EXPECT_NE(errors.find("Couldn't move 1 item to Trash\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("This usually means the file is locked or you don't have permission to move it."), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(home("Library/Caches/free.txt")));
    EXPECT_EQ(testing::readFile(home("Library/Caches/locked/stuck.txt")), "stuck");
    const json cache = json::parse(testing::readFile(cacheFile()));
    EXPECT_EQ(cache["system.userCaches"]["itemCount"], 1);
}

TEST_F(StorageCommand, BadArgumentsAreUsageErrors)
{
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        { { "scan", "no.such" }, "lopewell storage scan: unknown category 'no.such'" },
        { { "scan", "--verbose" }, "lopewell storage scan: unknown option '--verbose'" },
        { { "list", "extra" }, "lopewell storage list: unexpected argument 'extra'" },
        { { "smart", "extra" }, "lopewell storage smart: unexpected argument 'extra'" },
        { { "frob" }, "lopewell storage: unknown subcommand 'frob'" },
        { {}, "lopewell storage: missing subcommand" },
        { { "clean" }, "lopewell storage clean: missing category id" },
        { { "clean", "system.trash", "system.userLogs" }, "lopewell storage clean: give one category id" },
        { { "clean", "no.such", "--yes" }, "lopewell storage clean: unknown category 'no.such'" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Finished result = storage(c.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.starts_with(c.message)) << result.err;
        EXPECT_EQ(result.out, "");
    }

    const Finished missingHome = runLopewell({ "--home", (root / "absent").string(), "storage", "list" });
    EXPECT_EQ(missingHome.exitCode, 2);
    EXPECT_TRUE(missingHome.err.starts_with("lopewell: --home must name an existing folder")) << missingHome.err;
    const Finished noValue = runLopewell({ "--system-root" });
    EXPECT_EQ(noValue.exitCode, 2);
    EXPECT_TRUE(noValue.err.starts_with("lopewell: option '--system-root' needs a folder")) << noValue.err;
    EXPECT_FALSE(fs::exists(cacheFile()));
}

}  // namespace
}  // namespace lopewell
