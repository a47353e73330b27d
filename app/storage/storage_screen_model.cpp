#include "app/storage/storage_screen_model.h"

#include <algorithm>

namespace lopewell {

namespace {

std::vector<std::string> pathsOf(const std::vector<StorageItem>& items)
{
    std::vector<std::string> paths;
    paths.reserve(items.size());
    for (const StorageItem& item : items)
        paths.push_back(item.path);
    return paths;
}

// Component by component, so "/a/.Trash-old/x" is not inside "/a/.Trash".
bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    auto inner = path.begin();
    for (const std::filesystem::path& component : folder) {
        if (component.empty())
            continue;
        if (inner == path.end() || *inner != component)
            return false;
        ++inner;
    }
    return inner != path.end();
}

}  // namespace

StorageScreenModel::Cleaning StorageScreenModel::cleaningThrough(StorageViewModel& model)
{
    return {
        [&model](const std::string& categoryId, std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done) {
            model.clean(categoryId, std::move(paths), std::move(done));
        },
        [&model](std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done) {
            model.cleanSmartScan(std::move(paths), std::move(done));
        },
    };
}

StorageScreenModel::StorageScreenModel(StorageViewModel& model, Cleaning cleaning) : m_model(model), m_cleaning(std::move(cleaning))
{
    m_subscription = m_model.observers().add([this] { followReviewRequest(); });
}

void StorageScreenModel::perform(const StorageCategory& category, CardAction action)
{
    switch (action) {
    case CardAction::scan:
        m_model.startScan(category.id);
        break;
    case CardAction::cancel:
        m_model.cancelScan(category.id);
        break;
    case CardAction::review:
        review(category);
        break;
    case CardAction::cleanFromCache:
        // Only summaries survive a restart: the model scans again and then asks for the review.
        m_model.cleanFromCache(category.id);
        break;
    }
}

void StorageScreenModel::review(const StorageCategory& category)
{
    const auto* scanned = std::get_if<StorageViewModel::Scanned>(&m_model.state(category.id));
    if (!scanned || scanned->items.empty())
        return;
    CategoryInspectorModel::Options options;
    options.words = m_model.words();
    options.title = category.title;
    options.preselectAll = true;
    options.staysOpen = true;
    options.offersTrashAll = true;
    options.permanentDelete = isTrashCategory(category);
    open("category." + category.id, std::move(options), scanned->items,
        [this, id = category.id](std::vector<StorageItem> items, CategoryInspectorModel::RemoveDone done) {
            m_cleaning.clean(id, pathsOf(items), std::move(done));
        });
}

void StorageScreenModel::reviewSmartScan()
{
    const auto& result = m_model.smartScanResult();
    if (!result || result->items.empty())
        return;
    CategoryInspectorModel::Options options;
    options.words = m_model.words();
    options.title = smartScanTitle;
    options.preselectAll = true;
    options.staysOpen = false;
    options.offersTrashAll = false;
    options.permanentDelete = false;
    std::vector<std::filesystem::path> trashRoots;
    for (const StorageCategory& category : result->categories) {
        if (isTrashCategory(category))
            trashRoots.insert(trashRoots.end(), category.paths.begin(), category.paths.end());
    }
    options.isAlreadyInTrash = [trashRoots](const StorageItem& item) {
        return std::ranges::any_of(trashRoots, [&](const std::filesystem::path& root) { return isInside(item.path, root); });
    };
    open("smartScan", std::move(options), result->items, [this](std::vector<StorageItem> items, CategoryInspectorModel::RemoveDone done) {
        m_cleaning.cleanSmartScan(pathsOf(items), std::move(done));
    });
}

void StorageScreenModel::open(std::string identity, CategoryInspectorModel::Options options, std::vector<StorageItem> items,
    CategoryInspectorModel::RemoveAction remove)
{
    // One removal at a time: a sheet whose removal still runs is not replaced under it.
    if (m_inspector && m_inspector->isCleaning())
        return;
    m_retired = std::move(m_inspector);
    m_inspector = std::make_unique<CategoryInspectorModel>(std::move(options), std::move(items), std::move(remove));
    m_identity = std::move(identity);
    m_observers.notify();
}

void StorageScreenModel::followReviewRequest()
{
    const std::optional<std::string> request = m_model.reviewRequest();
    if (!request)
        return;
    m_model.clearReviewRequest();
    if (const StorageCategory* category = m_model.category(*request))
        review(*category);
}

}  // namespace lopewell
