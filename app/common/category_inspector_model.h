// The review-and-remove sheet's logic, shared by every section that hands a list of items to the
// Trash (Storage, Files, Apps): which rows are listed (the largest 2,000 of what the owner holds),
// their order, the selection, every text of the sheet and its two confirmations, and removal in
// batches: after each confirmed batch the rows that went are pruned and the next largest move up.
//
//   CategoryInspectorModel::Options options;
//   options.title = "User Caches";
//   options.offersTrashAll = true;
//   CategoryInspectorModel inspector(options, items,
//       [&](std::vector<StorageItem> chosen, CategoryInspectorModel::RemoveDone done) {
//           storage.clean(categoryId, pathsOf(chosen), std::move(done));
//       });
//   auto subscription = inspector.observers().add([&] { render(); });
//   inspector.confirm();   // the confirmation's destructive button
//
// Nothing here deletes anything: the owner's remove action does, and reports what went.
//
// THREAD-SAFETY: none; lives on the executor of its owner, and `done` must be called there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/storage_item.h"
#include "core/base/platform_words.h"
#include "core/concurrency/change_observers.h"
#include "platform/trash_service.h"

namespace lopewell {

// The sheet lists at most this many rows; the rest wait for the next batch.
inline constexpr size_t inspectorListingLimit = 2000;

// `items` in their own order when they fit, else the `limit` largest, largest first (ties keep
// their order).
std::vector<StorageItem> largestItems(std::vector<StorageItem> items, size_t limit = inspectorListingLimit);

enum class InspectorColumn { name, size, modified, path };
inline constexpr std::array inspectorColumns { InspectorColumn::name, InspectorColumn::size, InspectorColumn::modified,
    InspectorColumn::path };
std::string_view inspectorColumnTitle(InspectorColumn column);  // "Name", "Size", "Modified", "Path"

struct InspectorSortOrder {
    InspectorColumn column = InspectorColumn::size;
    bool ascending = false;
    bool operator==(const InspectorSortOrder&) const = default;
};

// Stable. Names compare as people read them: case-insensitive, runs of digits by value
// ("file2" before "file10"); an absent date is older than any date; rows that tie go by path.
void sortInspectorItems(std::vector<StorageItem>& items, InspectorSortOrder order);

// The text of a cell, except Modified, whose date the sheet formats in the desktop's style.
std::string inspectorCellText(const StorageItem& item, InspectorColumn column);

// What a removal did: the trash service's outcome. Its movedPaths are the authority on what
// leaves the list.
using RemovalOutcome = TrashService::Outcome;

// A removal that left something behind; the sheet shows it as the trash failure alert.
struct RemovalFailure {
    int64_t failedCount = 0;
    std::optional<std::string> error;
    bool operator==(const RemovalFailure&) const = default;
};

// One of the two confirmation alerts.
struct InspectorConfirmation {
    std::string title;
    std::string message;
    std::string cancelButton;   // "Cancel"
    std::string confirmButton;  // destructive
    bool operator==(const InspectorConfirmation&) const = default;
};

inline constexpr std::string_view inspectorCancelButton = "Cancel";
inline constexpr std::string_view inspectorMovingText = "Moving to Trash…";
inline constexpr std::string_view inspectorDeletingText = "Deleting…";

class CategoryInspectorModel {
public:
    // Called once, on the model's thread, with what the removal really did.
    using RemoveDone = std::function<void(RemovalOutcome)>;
    using RemoveAction = std::function<void(std::vector<StorageItem> items, RemoveDone done)>;

    struct Options {
        std::string title;  // the category title, "Smart Scan", "Uninstall Safari"
        bool preselectAll = true;
        // When given, rows start selected exactly when they are in it (and again after each batch).
        std::optional<std::set<std::string>> defaultSelection;
        // The sheet stays up under a progress overlay during a removal and shows what is left
        // after it; otherwise it closes as soon as the user confirms.
        bool staysOpen = true;
        // "Move all to Trash": removes everything held, listed or not.
        bool offersTrashAll = false;
        // The rows already lie in a Trash, so removing them is for good: the wording says so.
        bool permanentDelete = false;
        // When only some rows lie in a Trash (a smart scan that included the Trash): those are
        // deleted for good while the rest are moved, and the confirmation says how many.
        std::function<bool(const StorageItem&)> isAlreadyInTrash;
        // The selection tips and the failure advice, in the desktop's words.
        PlatformWords words = platformWords(HostFlavour::macOS);
        // A line under the header saying what else the removal does; empty for none.
        std::string note;
    };

    // `items` is everything the owner could remove; the sheet lists the largest 2,000 of them.
    CategoryInspectorModel(Options options, std::vector<StorageItem> items, RemoveAction remove);
    CategoryInspectorModel(const CategoryInspectorModel&) = delete;
    CategoryInspectorModel& operator=(const CategoryInspectorModel&) = delete;

    const Options& options() const { return m_options; }

    // Published; observers hear of every change.
    bool isOpen() const { return m_isOpen; }
    bool isCleaning() const { return m_isCleaning; }
    const std::vector<StorageItem>& sortedItems() const { return m_sortedItems; }  // the listed rows
    // Changes whenever sortedItems() does, so a table knows when to reload its rows.
    uint64_t listingVersion() const { return m_listingVersion; }
    const std::set<std::string>& selection() const { return m_selection; }
    InspectorSortOrder sortOrder() const { return m_sortOrder; }
    // Set after a removal in which something could not be removed; shown as a modal alert.
    const std::optional<RemovalFailure>& failure() const { return m_failure; }
    ChangeObservers& observers() { return m_observers; }

    // Everything held, listed or not.
    uint64_t totalBytes() const { return m_totalBytes; }
    int64_t totalCount() const { return int64_t(m_items.size()); }
    size_t listedCount() const { return m_sortedItems.size(); }
    size_t selectedCount() const { return m_selectedCount; }
    uint64_t selectedBytes() const { return m_selectedBytes; }

    // The rows of the current display order that are selected, in that order.
    std::vector<StorageItem> selectedItems() const;

    // Header, caption and footer.
    std::string headerText() const;                  // "12 items · 3.4 GB total"
    std::optional<std::string> captionText() const;  // "Showing top 2000 by size · ...", when some are not listed
    std::string selectionText() const;               // "Selected: 9 items · 1.2 MB"
    std::string_view tipText() const;

    // Buttons.
    bool isCancelEnabled() const { return !m_isCleaning; }
    std::string primaryButtonTitle() const;  // "Move 9 items to Trash" / "Delete 9 items"
    bool isPrimaryEnabled() const;
    bool offersTrashAll() const;  // offered and something is held
    std::string_view trashAllButtonTitle() const;
    bool isTrashAllEnabled() const { return offersTrashAll() && !m_isCleaning; }

    // The overlay over the table while a removal runs and the sheet stays up.
    bool showsProgress() const { return m_isCleaning && m_options.staysOpen && m_isOpen; }
    std::string_view progressText() const;

    InspectorConfirmation confirmation() const;
    InspectorConfirmation trashAllConfirmation() const;

    void setSortOrder(InspectorSortOrder order);
    // From the table; rows that are not listed are ignored.
    void setSelection(const std::set<std::string>& selection);
    void selectAll();

    // The confirmations' destructive buttons. Each does nothing while its button is disabled.
    void confirm();
    void confirmAll();
    // Closes without removing; refused while a removal runs.
    void cancel();
    // The alert's "OK".
    void clearFailure();

    // The owner's list changed (a rescan): the listing, totals and selection follow.
    void replaceItems(std::vector<StorageItem> items);

private:
    void relist();
    void recountSelection();
    void remove(std::vector<StorageItem> chosen);
    void finishRemoval(const RemovalOutcome& outcome);

    Options m_options;
    RemoveAction m_remove;
    std::vector<StorageItem> m_items;  // everything held, in the owner's order
    uint64_t m_totalBytes = 0;
    std::vector<StorageItem> m_sortedItems;
    uint64_t m_listingVersion = 0;
    std::set<std::string> m_selection;
    size_t m_selectedCount = 0;
    uint64_t m_selectedBytes = 0;
    InspectorSortOrder m_sortOrder;
    std::optional<RemovalFailure> m_failure;
    bool m_isOpen = true;
    bool m_isCleaning = false;
    ChangeObservers m_observers;
    // A removal may report back after the sheet went away.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

}  // namespace lopewell
