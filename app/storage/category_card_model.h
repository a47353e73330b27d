// What one category card of the Storage section shows: its status row (text, size, symbol,
// progress) and its buttons, chosen from the category's state and the Full Disk Access flag.
//
//   CategoryCardStatus status = categoryCardStatus(category, model.state(category.id), model.fullDiskAccessGranted(), now);
//   for (const CardButton& button : status.buttons) addButton(button.title, button.action);
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/storage/storage_category.h"
#include "app/storage/storage_view_model.h"
#include "core/base/date.h"

namespace lopewell {

enum class CardAction {
    scan,            // start or restart the category's scan
    cancel,          // stop it
    review,          // open the inspector over the scanned items
    cleanFromCache,  // scan first, then open the inspector
};

struct CardButton {
    std::string_view title;
    CardAction action = CardAction::scan;
    bool prominent = false;
    bool enabled = true;
    bool operator==(const CardButton&) const = default;
};

struct CategoryCardStatus {
    enum class Kind { needsAccess, idle, scanning, scanned, failed, missing, cleaning };
    Kind kind = Kind::idle;
    std::string_view symbol;  // empty, or the symbol drawn before the text
    std::string text;         // "12 items · 5 min. ago", "Not scanned yet", "Scanning…", ...
    std::string detail;       // the size, or the running counts while scanning
    bool isError = false;     // drawn in red
    bool showsProgress = false;
    std::vector<CardButton> buttons;
    bool operator==(const CategoryCardStatus&) const = default;
};

namespace CategoryCardText {
inline constexpr std::string_view requiresAccess = "Requires Full Disk Access";
inline constexpr std::string_view notScanned = "Not scanned yet";
inline constexpr std::string_view scanning = "Scanning…";
inline constexpr std::string_view pathMissing = "Path not present";
inline constexpr std::string_view cleaning = "Moving to Trash…";
inline constexpr std::string_view scanButton = "Scan";
inline constexpr std::string_view rescanButton = "Re-scan";
inline constexpr std::string_view cleanButton = "Clean";
inline constexpr std::string_view cancelButton = "Cancel";
inline constexpr std::string_view retryButton = "Retry";
inline constexpr std::string_view accessSymbol = "lock.shield";
inline constexpr std::string_view failedSymbol = "exclamationmark.triangle";
inline constexpr std::string_view missingSymbol = "questionmark.circle";
}  // namespace CategoryCardText

// Relative times are measured against `now`.
CategoryCardStatus categoryCardStatus(
    const StorageCategory& category, const StorageViewModel::CategoryState& state, bool fullDiskAccessGranted, Date now);

}  // namespace lopewell
