#include "app/storage/category_card_model.h"

#include "core/format/byte_count_formatter.h"
#include "core/format/relative_time_formatter.h"

namespace lopewell {

namespace {

std::string fileSize(uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::file);
}

std::string countAndAge(int64_t count, Date date, Date now)
{
    return std::to_string(count) + " items · " + formatRelativeTime(date, now);
}

template <typename... Callables>
struct Overloaded : Callables... {
    using Callables::operator()...;
};
// clang 14 (the fuzz builds) does not deduce aggregate templates by itself.
template <typename... Callables>
Overloaded(Callables...) -> Overloaded<Callables...>;

}  // namespace

CategoryCardStatus categoryCardStatus(
    const StorageCategory& category, const StorageViewModel::CategoryState& state, bool fullDiskAccessGranted, Date now)
{
    using Kind = CategoryCardStatus::Kind;
    namespace Text = CategoryCardText;
    CategoryCardStatus status;
    if (category.requiresFullDiskAccess && !fullDiskAccessGranted) {
        status.kind = Kind::needsAccess;
        status.symbol = Text::accessSymbol;
        status.text = Text::requiresAccess;
        return status;
    }
    std::visit(
        Overloaded {
            [&](const StorageViewModel::Idle& idle) {
                status.kind = Kind::idle;
                if (idle.lastScanned && idle.totalBytes && idle.itemCount) {
                    status.text = countAndAge(*idle.itemCount, *idle.lastScanned, now);
                    status.detail = fileSize(*idle.totalBytes);
                } else {
                    status.text = Text::notScanned;
                }
                if (idle.totalBytes.value_or(0) > 0) {
                    status.buttons = { { Text::rescanButton, CardAction::scan }, { Text::cleanButton, CardAction::cleanFromCache, true } };
                } else {
                    status.buttons = { { Text::scanButton, CardAction::scan, true } };
                }
            },
            [&](const StorageViewModel::Scanning& scanning) {
                status.kind = Kind::scanning;
                status.text = Text::scanning;
                status.detail = std::to_string(scanning.itemsSeen) + " items · " + fileSize(scanning.bytes);
                status.showsProgress = true;
                status.buttons = { { Text::cancelButton, CardAction::cancel } };
            },
            [&](const StorageViewModel::Scanned& scanned) {
                status.kind = Kind::scanned;
                status.text = countAndAge(int64_t(scanned.items.size()), scanned.scannedAt, now);
                for (const std::string& reason : scanned.skipped)
                    status.text += " · " + reason;
                status.detail = fileSize(scanned.totalBytes);
                // Nothing found leaves nothing to review.
                status.buttons
                    = { { Text::rescanButton, CardAction::scan }, { Text::cleanButton, CardAction::review, true, !scanned.items.empty() } };
            },
            [&](const StorageViewModel::Failed& failed) {
                status.kind = Kind::failed;
                status.symbol = Text::failedSymbol;
                status.text = failed.message;
                status.isError = true;
                status.buttons = { { Text::retryButton, CardAction::scan } };
            },
            [&](const StorageViewModel::Missing&) {
                status.kind = Kind::missing;
                status.symbol = Text::missingSymbol;
                status.text = Text::pathMissing;
                // The folder may appear later (a first build, a first backup).
                status.buttons = { { Text::rescanButton, CardAction::scan } };
            },
            [&](const StorageViewModel::Cleaning&) {
                status.kind = Kind::cleaning;
                status.text = Text::cleaning;
                status.showsProgress = true;
            },
        },
        state);
    return status;
}

}  // namespace lopewell
