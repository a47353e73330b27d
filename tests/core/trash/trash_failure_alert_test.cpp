#include "core/trash/trash_failure_alert.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

const std::string advice = "This usually means the file is locked or you don't have permission to move it. "
                           "Try deleting it in Finder, where macOS can ask for the access it needs.";

TEST(TrashFailureAlert, NothingFailedMeansNoAlert)
{
    EXPECT_EQ(TrashFailureAlert::make(0, std::nullopt, platformWords(HostFlavour::macOS)), std::nullopt);
    EXPECT_EQ(TrashFailureAlert::make(-3, std::string("boom"), platformWords(HostFlavour::linuxDesktop)), std::nullopt);
}

TEST(TrashFailureAlert, TitleCountsItemsAndMessagePutsTheErrorAboveTheAdvice)
{
    struct Case {
        int64_t failed;
        std::optional<std::string> error;
        TrashFailureAlert expected;
    };
    const std::vector<Case> cases {
        { 1, std::string("Permission denied"),
            { "1|Permission denied", "Couldn't move 1 item to Trash", "Permission denied\n\n" + advice } },
        { 2, std::nullopt, { "2|", "Couldn't move 2 items to Trash", advice } },
        { 3, std::string(), { "3|", "Couldn't move 3 items to Trash", advice } },
        { 12, std::string("Disk full"), { "12|Disk full", "Couldn't move 12 items to Trash", "Disk full\n\n" + advice } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.failed);
        EXPECT_EQ(TrashFailureAlert::make(test.failed, test.error, platformWords(HostFlavour::macOS)), test.expected);
    }
}

TEST(TrashFailureAlert, OnTheLinuxDesktopTheAdviceNamesItsFileManagerNotFinder)
{
    const auto alert = TrashFailureAlert::make(1, std::string("Permission denied"), platformWords(HostFlavour::linuxDesktop));
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message,
        "Permission denied\n\nThis usually means the file is locked or you don't have permission to move it. "
        "Try deleting it in the file manager, which can ask for the access it needs.");
}

TEST(PlatformWords, NoLinuxTextNamesAMacOSThing)
{
    const PlatformWords& words = platformWords(HostFlavour::linuxDesktop);
    for (std::string_view text : { words.fileManager, words.revealInFileManager, words.revealFolderInFileManager, words.systemSettings,
             words.homeTrash, words.preselectedTip, words.unselectedTip, words.smallFilesNote, words.trashFailureAdvice }) {
        for (std::string_view macOSWord : { "Finder", "Cmd", "macOS", "System Settings", "~/.Trash" })
            EXPECT_EQ(text.find(macOSWord), std::string_view::npos) << text;
    }
}

}  // namespace
}  // namespace lopewell
