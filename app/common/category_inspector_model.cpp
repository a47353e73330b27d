#include "app/common/category_inspector_model.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/format/byte_count_formatter.h"

namespace lopewell {

namespace {

std::string fileSize(uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::file);
}

char lowered(char c)
{
    return char(std::tolower(static_cast<unsigned char>(c)));
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// <0, 0, >0. Digit runs compare by value (leading zeros ignored, then by length of the run),
// everything else case-insensitively byte by byte.
int compareNames(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t endA = i, endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            const std::string_view runA = a.substr(startA, endA - startA);
            const std::string_view runB = b.substr(startB, endB - startB);
            if (runA.size() != runB.size())
                return runA.size() < runB.size() ? -1 : 1;
            if (int order = runA.compare(runB))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const char ca = lowered(a[i]), cb = lowered(b[j]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal but for case or leading zeros: fall back to the bytes so the order is total.
    return a.compare(b);
}

template <typename T>
int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareBy(const StorageItem& a, const StorageItem& b, InspectorColumn column)
{
    switch (column) {
    case InspectorColumn::name:
        return compareNames(a.name(), b.name());
    case InspectorColumn::size:
        return threeWay(a.size, b.size);
    case InspectorColumn::modified:
        // Absent sorts as the oldest.
        if (a.modificationDate.has_value() != b.modificationDate.has_value())
            return a.modificationDate.has_value() ? 1 : -1;
        return a.modificationDate ? threeWay(*a.modificationDate, *b.modificationDate) : 0;
    case InspectorColumn::path:
        return threeWay(a.path, b.path);
    }
    return 0;
}

std::string itemsText(int64_t count)
{
    return std::to_string(count) + " items";
}

}  // namespace

std::vector<StorageItem> largestItems(std::vector<StorageItem> items, size_t limit)
{
    if (items.size() <= limit)
        return items;
    std::stable_sort(items.begin(), items.end(), [](const StorageItem& a, const StorageItem& b) { return a.size > b.size; });
    items.resize(limit);
    return items;
}

std::string_view inspectorColumnTitle(InspectorColumn column)
{
    switch (column) {
    case InspectorColumn::name:
        return "Name";
    case InspectorColumn::size:
        return "Size";
    case InspectorColumn::modified:
        return "Modified";
    case InspectorColumn::path:
        return "Path";
    }
    return {};
}

void sortInspectorItems(std::vector<StorageItem>& items, InspectorSortOrder order)
{
    std::stable_sort(items.begin(), items.end(), [order](const StorageItem& a, const StorageItem& b) {
        if (const int result = compareBy(a, b, order.column))
            return order.ascending ? result < 0 : result > 0;
        return compareBy(a, b, InspectorColumn::path) < 0;
    });
}

std::string inspectorCellText(const StorageItem& item, InspectorColumn column)
{
    switch (column) {
    case InspectorColumn::name:
        return item.name();
    case InspectorColumn::size:
        return fileSize(item.size);
    case InspectorColumn::modified:
        return {};
    case InspectorColumn::path:
        return item.path;
    }
    return {};
}

CategoryInspectorModel::CategoryInspectorModel(Options options, std::vector<StorageItem> items, RemoveAction remove)
    : m_options(std::move(options))
    , m_remove(std::move(remove))
    , m_items(std::move(items))
{
    relist();
}

void CategoryInspectorModel::relist()
{
    m_totalBytes = 0;
    for (const StorageItem& item : m_items)
        m_totalBytes += item.size;
    m_sortedItems = largestItems(m_items);
    sortInspectorItems(m_sortedItems, m_sortOrder);
    ++m_listingVersion;

    std::set<std::string> present;
    for (const StorageItem& item : m_sortedItems)
        present.insert(item.path);
    if (m_options.defaultSelection) {
        std::set<std::string> chosen;
        std::ranges::set_intersection(present, *m_options.defaultSelection, std::inserter(chosen, chosen.end()));
        m_selection = std::move(chosen);
    } else if (m_options.preselectAll) {
        m_selection = std::move(present);
    } else {
        std::erase_if(m_selection, [&](const std::string& path) { return !present.contains(path); });
    }
    recountSelection();
}

void CategoryInspectorModel::recountSelection()
{
    m_selectedCount = 0;
    m_selectedBytes = 0;
    for (const StorageItem& item : m_sortedItems) {
        if (m_selection.contains(item.path)) {
            ++m_selectedCount;
            m_selectedBytes += item.size;
        }
    }
}

std::vector<StorageItem> CategoryInspectorModel::selectedItems() const
{
    std::vector<StorageItem> chosen;
    for (const StorageItem& item : m_sortedItems) {
        if (m_selection.contains(item.path))
            chosen.push_back(item);
    }
    return chosen;
}

std::string CategoryInspectorModel::headerText() const
{
    return itemsText(totalCount()) + " · " + fileSize(m_totalBytes) + " total";
}

std::optional<std::string> CategoryInspectorModel::captionText() const
{
    const int64_t listed = int64_t(listedCount());
    if (totalCount() <= listed)
        return std::nullopt;
    return "Showing top " + std::to_string(listed) + " by size · " + std::to_string(totalCount() - listed)
        + " more not listed — they'll bubble up after each batch.";
}

std::string CategoryInspectorModel::selectionText() const
{
    return "Selected: " + itemsText(int64_t(selectedCount())) + " · " + fileSize(selectedBytes());
}

std::string_view CategoryInspectorModel::tipText() const
{
    return m_options.preselectAll ? m_options.words.preselectedTip : m_options.words.unselectedTip;
}

std::string CategoryInspectorModel::primaryButtonTitle() const
{
    const std::string count = std::to_string(selectedCount());
    return m_options.permanentDelete ? "Delete " + count + " items" : "Move " + count + " items to Trash";
}

bool CategoryInspectorModel::isPrimaryEnabled() const
{
    return !m_isCleaning && selectedCount() > 0;
}

bool CategoryInspectorModel::offersTrashAll() const
{
    return m_options.offersTrashAll && totalCount() >= 1;
}

std::string_view CategoryInspectorModel::trashAllButtonTitle() const
{
    return m_options.permanentDelete ? "Delete All Permanently" : "Move all to Trash";
}

std::string_view CategoryInspectorModel::progressText() const
{
    return m_options.permanentDelete ? inspectorDeletingText : inspectorMovingText;
}

InspectorConfirmation CategoryInspectorModel::confirmation() const
{
    const std::string count = std::to_string(selectedCount());
    const std::string total = fileSize(selectedBytes());
    if (m_options.permanentDelete) {
        return { "Delete " + count + " items permanently?",
            "These items are already in the Trash — this permanently deletes them and can't be undone. Total: " + total + ".",
            std::string(inspectorCancelButton), "Delete Permanently" };
    }
    size_t inTrash = 0;
    if (m_options.isAlreadyInTrash) {
        for (const StorageItem& item : m_sortedItems)
            inTrash += m_selection.contains(item.path) && m_options.isAlreadyInTrash(item) ? 1 : 0;
    }
    // Saying "not permanent deletion" of rows that are deleted for good would be untrue.
    const std::string message = inTrash == 0 ? "Items go to your Trash, not permanent deletion. Total: " + total + "."
                                             : "Items go to your Trash, except " + std::to_string(inTrash)
            + " already in the Trash, which are deleted permanently and can't be restored. Total: " + total + ".";
    return { "Move " + count + " items to Trash?", message, std::string(inspectorCancelButton), "Move to Trash" };
}

InspectorConfirmation CategoryInspectorModel::trashAllConfirmation() const
{
    const std::string count = std::to_string(totalCount());
    const std::string total = fileSize(m_totalBytes);
    const int64_t hidden = totalCount() - int64_t(listedCount());
    const std::string hiddenPart = hidden >= 1 ? ", including " + std::to_string(hidden) + " not shown in the list" : "";
    if (m_options.permanentDelete) {
        return { "Delete all " + count + " items permanently?",
            "Permanently deletes every scanned item in this category" + hiddenPart + " — this can't be undone. Total: " + total + ".",
            std::string(inspectorCancelButton), std::string(trashAllButtonTitle()) };
    }
    return { "Move all " + count + " items to Trash?",
        "Trashes every scanned item in this category" + hiddenPart + ". Total: " + total + ".", std::string(inspectorCancelButton),
        std::string(trashAllButtonTitle()) };
}

void CategoryInspectorModel::setSortOrder(InspectorSortOrder order)
{
    if (order == m_sortOrder)
        return;
    m_sortOrder = order;
    sortInspectorItems(m_sortedItems, m_sortOrder);
    ++m_listingVersion;
    m_observers.notify();
}

void CategoryInspectorModel::setSelection(const std::set<std::string>& selection)
{
    std::set<std::string> chosen;
    for (const StorageItem& item : m_sortedItems) {
        if (selection.contains(item.path))
            chosen.insert(item.path);
    }
    if (chosen == m_selection)
        return;
    m_selection = std::move(chosen);
    recountSelection();
    m_observers.notify();
}

void CategoryInspectorModel::selectAll()
{
    std::set<std::string> all;
    for (const StorageItem& item : m_sortedItems)
        all.insert(item.path);
    setSelection(all);
}

void CategoryInspectorModel::confirm()
{
    if (!m_isOpen || !isPrimaryEnabled())
        return;
    remove(selectedItems());
}

void CategoryInspectorModel::confirmAll()
{
    if (!m_isOpen || !isTrashAllEnabled())
        return;
    remove(m_items);
}

void CategoryInspectorModel::remove(std::vector<StorageItem> chosen)
{
    if (!m_remove)
        return;
    m_isCleaning = true;
    if (!m_options.staysOpen)
        m_isOpen = false;
    m_observers.notify();
    std::weak_ptr<int> lifetime = m_lifetime;
    m_remove(std::move(chosen), [this, lifetime](RemovalOutcome outcome) {
        if (lifetime.expired())
            return;
        finishRemoval(outcome);
    });
}

void CategoryInspectorModel::finishRemoval(const RemovalOutcome& outcome)
{
    if (!m_isCleaning)
        return;
    m_isCleaning = false;
    // The outcome is the authority: only what it names as gone leaves the list.
    std::erase_if(m_items, [&](const StorageItem& item) { return outcome.movedPaths.contains(item.path); });
    relist();
    m_failure.reset();
    if (outcome.failedCount >= 1)
        m_failure = RemovalFailure { outcome.failedCount, outcome.error };
    if (m_items.empty())
        m_isOpen = false;
    m_observers.notify();
}

void CategoryInspectorModel::cancel()
{
    if (!m_isOpen || m_isCleaning)
        return;
    m_isOpen = false;
    m_observers.notify();
}

void CategoryInspectorModel::clearFailure()
{
    if (!m_failure)
        return;
    m_failure.reset();
    m_observers.notify();
}

void CategoryInspectorModel::replaceItems(std::vector<StorageItem> items)
{
    m_items = std::move(items);
    relist();
    m_observers.notify();
}

}  // namespace lopewell
