// The Storage screen's own state around its view model: which review sheet is open (a category's
// or the smart scan's) and how its confirmations reach the trash. Card buttons come here; so do
// the view model's requests to review a category that was cleaned from its cached summary.
//
//   StorageScreenModel screen(storage, StorageScreenModel::cleaningThrough(storage));
//   auto subscription = screen.observers().add([&] { showSheet(screen.inspector()); });
//   screen.perform(category, CardAction::review);
//
// THREAD-SAFETY: none; lives on the view model's executor.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/category_inspector_model.h"
#include "app/storage/category_card_model.h"
#include "app/storage/storage_view_model.h"
#include "core/concurrency/change_observers.h"

namespace lopewell {

class StorageScreenModel {
public:
    // How confirmed rows leave: moved to the Trash through the view model, which updates the
    // category's state and the cache, then `done` with the trash service's outcome.
    struct Cleaning {
        std::function<void(const std::string& categoryId, std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done)> clean;
        std::function<void(std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done)> cleanSmartScan;
    };

    // Through the view model's clean() and cleanSmartScan().
    static Cleaning cleaningThrough(StorageViewModel& model);

    StorageScreenModel(StorageViewModel& model, Cleaning cleaning);
    StorageScreenModel(const StorageScreenModel&) = delete;
    StorageScreenModel& operator=(const StorageScreenModel&) = delete;

    // The review sheet's model: the open one, or the last one until another opens (its failure
    // alert may still be showing). Observers hear when a new one opens.
    CategoryInspectorModel* inspector() const { return m_inspector.get(); }
    // "category." + the category id, or "smartScan"; empty before any review.
    const std::string& inspectorIdentity() const { return m_identity; }
    ChangeObservers& observers() { return m_observers; }

    // A card's button.
    void perform(const StorageCategory& category, CardAction action);
    // The banner's "Clean": reviews the smart scan's result; the sheet closes on confirm.
    void reviewSmartScan();

private:
    void review(const StorageCategory& category);
    void open(std::string identity, CategoryInspectorModel::Options options, std::vector<StorageItem> items,
        CategoryInspectorModel::RemoveAction remove);
    void followReviewRequest();

    StorageViewModel& m_model;
    Cleaning m_cleaning;
    std::unique_ptr<CategoryInspectorModel> m_inspector;
    // The sheet that was replaced may still be tearing down: keep its model one round longer.
    std::unique_ptr<CategoryInspectorModel> m_retired;
    std::string m_identity;
    ChangeObservers m_observers;
    ChangeObservers::Subscription m_subscription;
};

}  // namespace lopewell
