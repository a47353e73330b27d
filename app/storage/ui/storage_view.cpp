#include "app/storage/ui/storage_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "app/common/ui/category_inspector_sheet.h"
#include "app/common/ui/full_disk_access_banner.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/storage/ui/smart_scan_banner_view.h"
#include "app/storage/ui/storage_category_card.h"

namespace lopewell {

StorageView::StorageView(StorageViewModel& model, StorageScreenModel::Cleaning cleaning, std::function<void()> openFullDiskAccessSettings,
    std::function<Date()> now, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_screen(model, std::move(cleaning))
    , m_now(now ? std::move(now) : [] { return Date(std::chrono::system_clock::now()); })
    , m_access(new FullDiskAccessBanner(std::move(openFullDiskAccessSettings), [this] { m_model.recheckFullDiskAccess(); }))
    , m_smartScan(new SmartScanBannerView)
    , m_clock(new QTimer(this))
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 4, 8, 8);
    layout->setSpacing(10);
    layout->addWidget(m_access);
    layout->addWidget(m_smartScan);

    for (StorageSection section : allCases<StorageSection>()) {
        layout->addSpacing(6);
        layout->addWidget(sectionHeading(storageSectionTitle(section)));
        layout->addWidget(caption(storageSectionSubtitle(section)));
        auto* grid = new QGridLayout;
        grid->setSpacing(10);
        int index = 0;
        for (const StorageCategory* entry : m_model.categories(section)) {
            const StorageCategory& category = *entry;
            auto* card = new StorageCategoryCard(category, [this, category](CardAction action) { m_screen.perform(category, action); });
            grid->addWidget(card, index / 2, index % 2);
            m_cards[category.id] = card;
            ++index;
        }
        grid->setColumnStretch(0, 1);
        grid->setColumnStretch(1, 1);
        layout->addLayout(grid);
    }
    layout->addSpacing(6);
    layout->addWidget(caption(storageFooterText));
    layout->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    // Relative times ("5 min. ago") age while the section is on screen.
    m_clock->setInterval(30'000);
    connect(m_clock, &QTimer::timeout, this, [this] { render(); });

    m_modelSubscription = m_model.observers().add([this] { render(); });
    m_screenSubscription = m_screen.observers().add([this] { showInspector(); });
    render();
}

StorageView::~StorageView() = default;

StorageCategoryCard* StorageView::card(const std::string& categoryID) const
{
    auto found = m_cards.find(categoryID);
    return found != m_cards.end() ? found->second : nullptr;
}

CategoryInspectorSheet* StorageView::sheet() const
{
    return m_sheet.data();
}

void StorageView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    render();
    m_clock->start();
}

void StorageView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_clock->stop();
}

void StorageView::render()
{
    const Date now = m_now();
    const bool granted = m_model.fullDiskAccessGranted();
    m_access->setVisible(!granted);
    for (const StorageCategory& category : m_model.categories()) {
        if (StorageCategoryCard* card = this->card(category.id))
            card->setStatus(categoryCardStatus(category, m_model.state(category.id), granted, now));
    }
    renderSmartScanBanner();
}

void StorageView::renderSmartScanBanner()
{
    const SmartScanBanner banner = m_model.smartScanBanner(m_now());
    using Button = SmartScanBannerView::Button;
    std::vector<Button> buttons;
    switch (banner.buttons) {
    case SmartScanBanner::Buttons::cancel:
        buttons.push_back(Button { std::string(smartScanCancelButton), false, false, true, [this] { m_model.cancelSmartScan(); } });
        break;
    case SmartScanBanner::Buttons::cleanAndDismiss:
        buttons.push_back(
            Button { std::string(smartScanCleanButton), true, true, banner.isCleanEnabled, [this] { m_screen.reviewSmartScan(); } });
        buttons.push_back(Button { std::string(smartScanDismissButton), false, false, true, [this] { m_model.dismissSmartScanResult(); } });
        break;
    case SmartScanBanner::Buttons::start:
        buttons.push_back(
            Button { std::string(smartScanStartButton), true, false, banner.isStartEnabled, [this] { m_model.startSmartScan(); } });
        break;
    }
    m_smartScan->setContent(banner.subtitle, std::move(buttons));
}

void StorageView::showInspector()
{
    if (m_sheet) {
        // Its model is kept alive by the screen model until the next review opens.
        m_sheet->hide();
        m_sheet->deleteLater();
    }
    CategoryInspectorModel* inspector = m_screen.inspector();
    if (!inspector)
        return;
    m_sheet = new CategoryInspectorSheet(*inspector, this);
    m_sheet->open();
}

}  // namespace lopewell
