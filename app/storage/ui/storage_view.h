// The Storage section: the Full Disk Access banner while access is missing, the Smart Scan banner,
// the three sections with one card per category, the footer, and the review sheet.
//
//   auto* view = new StorageView(storage, cleaning, [&] { openFullDiskAccessSettings(layout); });
//   mainWindow.setSectionWidget(SidebarTab::storage, view);
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/storage/storage_screen_model.h"
#include "app/storage/storage_view_model.h"

class QTimer;

namespace lopewell {

class CategoryInspectorSheet;
class FullDiskAccessBanner;
class SmartScanBannerView;
class StorageCategoryCard;

class StorageView final : public QWidget {
public:
    // `now` dates the relative times ("5 min. ago"); the system clock unless given.
    StorageView(StorageViewModel& model, StorageScreenModel::Cleaning cleaning, std::function<void()> openFullDiskAccessSettings,
        std::function<Date()> now = {}, QWidget* parent = nullptr);
    ~StorageView() override;

    StorageScreenModel& screen() { return m_screen; }
    StorageCategoryCard* card(const std::string& categoryID) const;
    SmartScanBannerView* smartScanBanner() const { return m_smartScan; }
    FullDiskAccessBanner* accessBanner() const { return m_access; }
    // The open review sheet, or the last one until another opens.
    CategoryInspectorSheet* sheet() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void render();
    void renderSmartScanBanner();
    void showInspector();

    StorageViewModel& m_model;
    StorageScreenModel m_screen;
    std::function<Date()> m_now;
    FullDiskAccessBanner* m_access;
    SmartScanBannerView* m_smartScan;
    std::map<std::string, StorageCategoryCard*> m_cards;
    QPointer<CategoryInspectorSheet> m_sheet;
    QTimer* m_clock;
    ChangeObservers::Subscription m_modelSubscription;
    ChangeObservers::Subscription m_screenSubscription;
};

}  // namespace lopewell
