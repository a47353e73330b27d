#include <gtest/gtest.h>

#include "app/common/icon_names.h"
#include "app/storage/category_card_model.h"
#include "platform/host_layout.h"

using namespace lopewell;
using namespace std::chrono_literals;
using Kind = CategoryCardStatus::Kind;
using State = StorageViewModel::CategoryState;

namespace {

const Date now = referenceDate() + std::chrono::days(9000);

StorageCategory category(bool requiresFullDiskAccess = false)
{
    StorageCategory c;
    c.id = requiresFullDiskAccess ? "system.systemCaches" : "system.userLogs";
    c.title = "User Logs";
    c.requiresFullDiskAccess = requiresFullDiskAccess;
    return c;
}

std::vector<StorageItem> items(int count)
{
    std::vector<StorageItem> result(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        result[size_t(i)].path = "/l/" + std::to_string(i);
    return result;
}

std::vector<std::string_view> titles(const CategoryCardStatus& status)
{
    std::vector<std::string_view> result;
    for (const CardButton& button : status.buttons)
        result.push_back(button.title);
    return result;
}

}  // namespace

TEST(CategoryCardModel, EachStateHasItsStatusRowAndButtons)
{
    struct Case {
        const char* name;
        State state;
        Kind kind;
        std::string text;
        std::string detail;
        std::vector<std::string_view> buttons;
    };
    const Case cases[] = {
        { "never scanned", StorageViewModel::Idle {}, Kind::idle, "Not scanned yet", "", { "Scan" } },
        { "cached", StorageViewModel::Idle { now - 5min, 2'500'000, 12 }, Kind::idle, "12 items · 5 min. ago", "2.5 MB",
            { "Re-scan", "Clean" } },
        { "cached empty", StorageViewModel::Idle { now - 2h, 0, 0 }, Kind::idle, "0 items · 2 hr. ago", "Zero KB", { "Scan" } },
        { "scanning", StorageViewModel::Scanning { 1500, 3'000'000 }, Kind::scanning, "Scanning…", "1500 items · 3 MB", { "Cancel" } },
        { "scanned", StorageViewModel::Scanned { items(3), 9000, now - 1min }, Kind::scanned, "3 items · 1 min. ago", "9 KB",
            { "Re-scan", "Clean" } },
        { "failed", StorageViewModel::Failed { "Couldn't read" }, Kind::failed, "Couldn't read", "", { "Retry" } },
        { "missing", StorageViewModel::Missing {}, Kind::missing, "Path not present", "", { "Re-scan" } },
        { "cleaning", StorageViewModel::Cleaning {}, Kind::cleaning, "Moving to Trash…", "", {} },
    };
    for (const Case& c : cases) {
        const CategoryCardStatus status = categoryCardStatus(category(), c.state, true, now);
        EXPECT_EQ(status.kind, c.kind) << c.name;
        EXPECT_EQ(status.text, c.text) << c.name;
        EXPECT_EQ(status.detail, c.detail) << c.name;
        EXPECT_EQ(titles(status), c.buttons) << c.name;
    }
}

TEST(CategoryCardModel, ButtonsLeadToTheirActions)
{
    const auto cached = categoryCardStatus(category(), StorageViewModel::Idle { now, 10, 1 }, true, now);
    EXPECT_EQ(cached.buttons.at(0), (CardButton { "Re-scan", CardAction::scan, false, true }));
    EXPECT_EQ(cached.buttons.at(1), (CardButton { "Clean", CardAction::cleanFromCache, true, true }));

    const auto scanned = categoryCardStatus(category(), StorageViewModel::Scanned { items(2), 10, now }, true, now);
    EXPECT_EQ(scanned.buttons.at(1), (CardButton { "Clean", CardAction::review, true, true }));
    const auto nothingFound = categoryCardStatus(category(), StorageViewModel::Scanned { {}, 0, now }, true, now);
    EXPECT_FALSE(nothingFound.buttons.at(1).enabled) << "nothing to review";

    const auto failed = categoryCardStatus(category(), StorageViewModel::Failed { "x" }, true, now);
    EXPECT_TRUE(failed.isError);
    EXPECT_EQ(failed.symbol, "exclamationmark.triangle");
    EXPECT_EQ(failed.buttons.at(0).action, CardAction::scan);
    EXPECT_EQ(categoryCardStatus(category(), StorageViewModel::Scanning {}, true, now).buttons.at(0).action, CardAction::cancel);
}

TEST(CategoryCardModel, ACategoryNeedingAccessSaysSoWhateverItsStateWhileAccessIsMissing)
{
    const State states[] = { StorageViewModel::Idle {}, StorageViewModel::Idle { now, 10, 1 }, StorageViewModel::Scanning {},
        StorageViewModel::Scanned { items(1), 1, now }, StorageViewModel::Missing {} };
    for (const State& state : states) {
        const CategoryCardStatus status = categoryCardStatus(category(true), state, false, now);
        EXPECT_EQ(status.kind, Kind::needsAccess);
        EXPECT_EQ(status.text, "Requires Full Disk Access");
        EXPECT_EQ(status.symbol, "lock.shield");
        EXPECT_TRUE(status.buttons.empty()) << "no scan action";
    }
    EXPECT_EQ(categoryCardStatus(category(true), StorageViewModel::Idle {}, true, now).kind, Kind::idle);
    EXPECT_EQ(categoryCardStatus(category(false), StorageViewModel::Idle {}, false, now).kind, Kind::idle);
}

TEST(CategoryCardModel, EveryCatalogueSymbolHasAnIcon)
{
    const HostLayout layout = HostLayout::forTesting("/nonexistent-root", "/nonexistent-home", 1000, "alice", HostFlavour::macOS);
    for (const StorageCategory& entry : buildStorageCatalogue(layout))
        EXPECT_FALSE(iconThemeName(entry.systemImage).empty()) << entry.systemImage;
    for (std::string_view symbol : { CategoryCardText::accessSymbol, CategoryCardText::failedSymbol, CategoryCardText::missingSymbol })
        EXPECT_FALSE(iconThemeName(symbol).empty()) << symbol;
}
