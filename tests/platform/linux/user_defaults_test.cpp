#include "platform/user_defaults.h"

#include "platform/log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;

using testing::readFile;
using testing::writeFile;

struct LogLine {
    log::Level level;
    std::string category;
    std::string message;
};

class UserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_file = m_folder / "config" / "com.vantorel.lopewellmac" / "UserDefaults.json";
        log::setSinkForTesting([this](log::Level level, std::string_view category, std::string_view message) {
            m_logLines.push_back({ level, std::string(category), std::string(message) });
        });
    }

    void TearDown() override { log::setSinkForTesting(nullptr); }

    void writeDefaultsFile(const std::string& contents)
    {
        fs::create_directories(m_file.parent_path());
        writeFile(m_file, contents);
    }

    testing::TempDir m_dir;
    const fs::path m_folder = m_dir.path();
    fs::path m_file;
    std::vector<LogLine> m_logLines;
};

TEST_F(UserDefaultsTest, ValuesSurviveReopeningTheFile)
{
    const std::vector<std::uint8_t> bookmark = { 0x00, 0xff, 0x10, 'a', '=', 0x80, 0x7f };
    {
        auto defaults = UserDefaults::open(m_file);
        ASSERT_TRUE(defaults->setBool("menuBarItemEnabled", true));
        ASSERT_TRUE(defaults->setBool("hideFromDock", false));
        ASSERT_TRUE(defaults->setInteger("selectedSettingsTab", 3));
        ASSERT_TRUE(defaults->setInteger("min", std::numeric_limits<std::int64_t>::min()));
        ASSERT_TRUE(defaults->setInteger("max", std::numeric_limits<std::int64_t>::max()));
        ASSERT_TRUE(defaults->setString("name", "Dätei \"quoted\"\n"));
        ASSERT_TRUE(defaults->setData("files.largeFiles.bookmark", bookmark));
        ASSERT_TRUE(defaults->setData("empty", {}));
        ASSERT_TRUE(defaults->setString("removed", "x"));
        ASSERT_TRUE(defaults->removeObject("removed"));
    }
    auto reopened = UserDefaults::open(m_file);
    EXPECT_TRUE(reopened->boolForKey("menuBarItemEnabled"));
    EXPECT_FALSE(reopened->boolForKey("hideFromDock"));
    EXPECT_EQ(reopened->integerForKey("selectedSettingsTab"), 3);
    EXPECT_EQ(reopened->integerForKey("min"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(reopened->integerForKey("max"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(reopened->stringForKey("name"), "Dätei \"quoted\"\n");
    EXPECT_EQ(reopened->dataForKey("files.largeFiles.bookmark"), bookmark);
    EXPECT_EQ(reopened->dataForKey("empty"), std::vector<std::uint8_t> {});
    EXPECT_FALSE(reopened->objectExists("removed"));
    EXPECT_TRUE(m_logLines.empty());
}

TEST_F(UserDefaultsTest, WritesDataAsBase64AndCreatesAPrivateFolder)
{
    auto defaults = UserDefaults::open(m_file);
    const std::pair<std::string, std::string> cases[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
    };
    for (const auto& [plain, encoded] : cases)
        ASSERT_TRUE(defaults->setData("k" + plain, std::vector<std::uint8_t>(plain.begin(), plain.end())));

    const nlohmann::json onDisk = nlohmann::json::parse(readFile(m_file));
    for (const auto& [plain, encoded] : cases)
        EXPECT_EQ(onDisk.at("k" + plain), nlohmann::json({ { "data", encoded } })) << plain;

    struct stat info {};
    ASSERT_EQ(::stat(m_file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(m_file.parent_path().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const auto entries = std::distance(fs::directory_iterator(m_file.parent_path()), fs::directory_iterator {});
    EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

TEST_F(UserDefaultsTest, AbsentAndMistypedValuesReadAsDefaultsButStillExist)
{
    auto defaults = UserDefaults::open(m_file);
    EXPECT_FALSE(defaults->objectExists("hideFromDock"));
    EXPECT_FALSE(defaults->boolForKey("hideFromDock"));
    EXPECT_EQ(defaults->integerForKey("hideFromDock"), 0);
    EXPECT_EQ(defaults->stringForKey("hideFromDock"), std::nullopt);
    EXPECT_EQ(defaults->dataForKey("hideFromDock"), std::nullopt);

    ASSERT_TRUE(defaults->setBool("hideFromDock", false));
    EXPECT_TRUE(defaults->objectExists("hideFromDock"));
    EXPECT_FALSE(defaults->boolForKey("hideFromDock"));

    ASSERT_TRUE(defaults->setString("menuBarItemEnabled", "true"));
    EXPECT_TRUE(defaults->objectExists("menuBarItemEnabled"));
    EXPECT_FALSE(defaults->boolForKey("menuBarItemEnabled"));
    EXPECT_EQ(defaults->integerForKey("menuBarItemEnabled"), 0);
    EXPECT_EQ(defaults->dataForKey("menuBarItemEnabled"), std::nullopt);
}

TEST_F(UserDefaultsTest, HandEditedValuesAreReadOnlyWhenTheyMeanSomething)
{
    writeDefaultsFile(R"({
        "whole": 2.0, "fraction": 2.5, "huge": 1e300, "tooBig": 18446744073709551615,
        "negative": -7, "flag": 1, "text": 5,
        "data": {"data": "AQI="}, "badData": {"data": "A!=="}, "shortData": {"data": "AQI"},
        "extraData": {"data": "AQI=", "more": 1}, "notData": {"bytes": "AQI="}
    })");
    auto defaults = UserDefaults::open(m_file);
    EXPECT_EQ(defaults->integerForKey("whole"), 2);
    EXPECT_EQ(defaults->integerForKey("fraction"), 0);
    EXPECT_EQ(defaults->integerForKey("huge"), 0);
    EXPECT_EQ(defaults->integerForKey("tooBig"), 0);
    EXPECT_EQ(defaults->integerForKey("negative"), -7);
    EXPECT_FALSE(defaults->boolForKey("flag"));
    EXPECT_EQ(defaults->stringForKey("text"), std::nullopt);
    EXPECT_EQ(defaults->dataForKey("data"), (std::vector<std::uint8_t> { 1, 2 }));
    for (const char* key : { "badData", "shortData", "extraData", "notData" }) {
        EXPECT_EQ(defaults->dataForKey(key), std::nullopt) << key;
        EXPECT_TRUE(defaults->objectExists(key)) << key;
    }
    EXPECT_TRUE(m_logLines.empty());
}

TEST_F(UserDefaultsTest, UnusableFileReadsAsEmptyIsLoggedAndIsKeptAside)
{
    const std::string cases[] = {
        "{\"hideFromDock\": tru",
        "[true, false]",
        "\"just a string\"",
        "",
        std::string(100, '[') + std::string(100, ']'),
        std::string("{\"a\":\0}", 7),
    };
    for (const std::string& contents : cases) {
        SCOPED_TRACE(::testing::PrintToString(contents));
        fs::remove_all(m_file.parent_path());
        writeDefaultsFile(contents);
        m_logLines.clear();

        auto defaults = UserDefaults::open(m_file);
        EXPECT_FALSE(defaults->objectExists("hideFromDock"));
        ASSERT_EQ(m_logLines.size(), 1u);
        EXPECT_EQ(m_logLines[0].level, log::Level::error);
        EXPECT_EQ(m_logLines[0].category, "UserDefaults");
        EXPECT_NE(m_logLines[0].message.find(m_file.string()), std::string::npos) << m_logLines[0].message;

        ASSERT_TRUE(defaults->setBool("hideFromDock", true));
        EXPECT_EQ(readFile(m_file.string() + ".corrupt"), contents);
        EXPECT_EQ(nlohmann::json::parse(readFile(m_file)), nlohmann::json({ { "hideFromDock", true } }));
        ASSERT_TRUE(defaults->setBool("hideFromDock", false));
        EXPECT_FALSE(fs::exists(m_file.string() + ".corrupt.1")) << "set aside once only";
    }
}

TEST_F(UserDefaultsTest, ASecondUnusableFileDoesNotReplaceTheFirst)
{
    writeDefaultsFile("first {");
    ASSERT_TRUE(UserDefaults::open(m_file)->setInteger("a", 1));
    writeFile(m_file, "second {");
    ASSERT_TRUE(UserDefaults::open(m_file)->setInteger("a", 2));
    writeFile(m_file, "third {");
    auto defaults = UserDefaults::open(m_file);
    ASSERT_TRUE(defaults->setInteger("a", 3));

    EXPECT_EQ(readFile(m_file.string() + ".corrupt"), "first {");
    EXPECT_EQ(readFile(m_file.string() + ".corrupt.1"), "second {");
    EXPECT_EQ(readFile(m_file.string() + ".corrupt.2"), "third {");
    EXPECT_EQ(defaults->integerForKey("a"), 3);
}

TEST_F(UserDefaultsTest, AFolderInPlaceOfTheFileIsKeptAsideToo)
{
    fs::create_directories(m_file / "inside");
    auto defaults = UserDefaults::open(m_file);
    EXPECT_EQ(m_logLines.size(), 1u);
    ASSERT_TRUE(defaults->setBool("k", true));
    EXPECT_TRUE(fs::is_directory(m_file.string() + ".corrupt/inside"));
    EXPECT_TRUE(fs::is_regular_file(m_file));
}

TEST_F(UserDefaultsTest, AWriteThatCannotHappenReportsAndChangesNothing)
{
    // A regular file where the folder should be fails for root as well.
    const fs::path blocker = m_folder / "blocker";
    writeFile(blocker, "not a folder");
    for (const fs::path& file : { blocker / "UserDefaults.json", blocker / "sub" / "UserDefaults.json" }) {
        auto defaults = UserDefaults::open(file);
        const ErrorOr<void> result = defaults->setBool("hideFromDock", true);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().code, 0);
        EXPECT_FALSE(result.error().message.empty());
        EXPECT_FALSE(defaults->objectExists("hideFromDock"));
    }
    EXPECT_EQ(readFile(blocker), "not a folder");
}

TEST_F(UserDefaultsTest, AFailedReplacementKeepsTheOldValueInMemoryAndOnDisk)
{
    auto defaults = UserDefaults::open(m_file);
    ASSERT_TRUE(defaults->setInteger("selectedSettingsTab", 1));
    const std::string before = readFile(m_file);

    // The temporary file's name is taken by a folder, so the new contents cannot be written.
    fs::create_directory(m_file.string() + ".tmp-" + std::to_string(::getpid()));
    EXPECT_FALSE(defaults->setInteger("selectedSettingsTab", 2));
    EXPECT_FALSE(defaults->removeObject("selectedSettingsTab"));
    EXPECT_EQ(defaults->integerForKey("selectedSettingsTab"), 1);
    EXPECT_EQ(readFile(m_file), before);
}

TEST_F(UserDefaultsTest, TextThatIsNotUtf8IsRefused)
{
    auto defaults = UserDefaults::open(m_file);
    ASSERT_TRUE(defaults->setString("ok", "fine"));
    EXPECT_FALSE(defaults->setString("name", "\xff\xfe"));
    EXPECT_FALSE(defaults->setBool("\xc3", true));
    EXPECT_FALSE(defaults->objectExists("name"));
    EXPECT_EQ(nlohmann::json::parse(readFile(m_file)), nlohmann::json({ { "ok", "fine" } }));
}

TEST_F(UserDefaultsTest, OpeningTheSameFileTwiceSharesOneInstance)
{
    auto first = UserDefaults::open(m_file);
    auto second = UserDefaults::open(m_file.parent_path() / "." / m_file.filename());
    EXPECT_EQ(first, second);
    ASSERT_TRUE(first->setBool("a", true));
    ASSERT_TRUE(second->setBool("b", true));
    EXPECT_EQ(nlohmann::json::parse(readFile(m_file)), nlohmann::json({ { "a", true }, { "b", true } }));
}

}  // namespace
}  // namespace lopewell
