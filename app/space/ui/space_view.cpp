#include "app/space/ui/space_view.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/ui/file_manager.h"
#include "app/common/ui/full_disk_access_banner.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/trash_failure_alert_box.h"
#include "app/common/ui/widgets.h"
#include "app/space/ui/treemap_view.h"
#include "core/base/file_url.h"

namespace lopewell {

namespace {

constexpr int inspectorWidth = 250;

QPushButton* prominent(QPushButton* button)
{
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: white; border: none; border-radius: 5px; padding: 4px 14px; }"
        "QPushButton:disabled { background: palette(window); color: palette(placeholder-text); border: 1px solid palette(mid); }"));
    return button;
}

QPushButton* button(std::string_view title)
{
    auto* result = new QPushButton(toQString(title));
    result->setAutoDefault(false);
    return result;
}

void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A button may be the one whose click led here: let it finish its signal first.
            widget->hide();
            widget->deleteLater();
        }
        if (QLayout* inner = item->layout())
            clearLayout(inner);
        delete item;
    }
}

}  // namespace

SpaceView::SpaceView(SpaceViewModel& model, std::function<void()> openAccessSettings, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 12, 16, 12);
    outer->setSpacing(8);

    m_banner = new FullDiskAccessBanner(std::move(openAccessSettings), [this] { m_model.recheckFullDiskAccess(); });
    outer->addWidget(m_banner);

    auto* toolbar = new QHBoxLayout;
    auto* heading = sectionHeading("Space");
    toolbar->addWidget(heading);
    toolbar->addStretch();
    m_scanHome = button(scanHomeTitle);
    m_scanRoot = prominent(button(m_model.rootVolumeButtonTitle()));
    m_rescan = button(rescanTitle);
    m_cancel = button(cancelTitle);
    for (QPushButton* each : { m_scanHome, m_scanRoot, m_rescan, m_cancel })
        toolbar->addWidget(each);
    connect(m_scanHome, &QPushButton::clicked, this, [this] { m_model.scanHome(); });
    connect(m_scanRoot, &QPushButton::clicked, this, [this] { m_model.scanRootVolume(); });
    connect(m_rescan, &QPushButton::clicked, this, [this] { m_model.rescan(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_model.cancelScan(); });
    outer->addLayout(toolbar);

    m_progress = caption("");
    m_unreadable = caption("");
    m_mountPoints = caption("");
    m_mountPoints->setWordWrap(true);
    outer->addWidget(m_progress);
    outer->addWidget(m_unreadable);
    outer->addWidget(m_mountPoints);

    m_breadcrumbBar = new QWidget;
    m_breadcrumbs = new QHBoxLayout(m_breadcrumbBar);
    m_breadcrumbs->setContentsMargins(0, 0, 0, 0);
    m_breadcrumbs->setSpacing(2);
    outer->addWidget(m_breadcrumbBar);

    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    m_stack = new QStackedWidget;

    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addStretch();
    m_emptyTitle = new QLabel;
    m_emptyTitle->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(m_emptyTitle);
    auto* hint = caption(spaceEmptyHintText);
    hint->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(hint);
    auto* emptyButtons = new QHBoxLayout;
    emptyButtons->addStretch();
    m_emptyScanHome = button(scanHomeTitle);
    m_emptyScanRoot = prominent(button(m_model.rootVolumeButtonTitle()));
    emptyButtons->addWidget(m_emptyScanHome);
    emptyButtons->addWidget(m_emptyScanRoot);
    emptyButtons->addStretch();
    connect(m_emptyScanHome, &QPushButton::clicked, this, [this] { m_model.scanHome(); });
    connect(m_emptyScanRoot, &QPushButton::clicked, this, [this] { m_model.scanRootVolume(); });
    emptyLayout->addLayout(emptyButtons);
    emptyLayout->addStretch();
    m_stack->addWidget(empty);

    m_treemap = new TreemapView;
    m_treemap->setOnSelect([this](const DiskNode& node) { m_model.select(node); });
    m_treemap->setOnDrill([this](const DiskNode& node) { m_model.drill(node); });
    m_stack->addWidget(m_treemap);
    body->addWidget(m_stack, 1);

    m_inspector = new QFrame;
    m_inspector->setObjectName(QStringLiteral("spaceInspector"));
    m_inspector->setFixedWidth(inspectorWidth);
    m_inspector->setStyleSheet(QStringLiteral("QFrame#spaceInspector { border: 1px solid palette(mid); border-radius: 8px; }"));
    m_inspectorLayout = new QVBoxLayout(m_inspector);
    m_inspectorLayout->setContentsMargins(12, 12, 12, 12);
    body->addWidget(m_inspector);
    outer->addLayout(body, 1);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

void SpaceView::render()
{
    const bool scanning = m_model.isScanning();
    m_banner->setVisible(!m_model.fullDiskAccessGranted());
    for (QPushButton* scan : { m_scanHome, m_scanRoot, m_emptyScanHome, m_emptyScanRoot })
        scan->setEnabled(m_model.canScan());
    m_rescan->setEnabled(m_model.canRescan() && !scanning);
    m_rescan->setVisible(!m_model.drillPath().empty());
    m_cancel->setVisible(scanning);
    m_progress->setVisible(scanning);
    m_progress->setText(toQString(m_model.progressText()));
    const std::optional<std::string> unreadable = m_model.unreadableText();
    m_unreadable->setVisible(unreadable && !scanning);
    m_unreadable->setText(unreadable ? toQString(*unreadable) : QString());
    const std::optional<std::string> mountPoints = m_model.mountPointText();
    m_mountPoints->setVisible(mountPoints && !scanning);
    m_mountPoints->setText(mountPoints ? toQString(*mountPoints) : QString());
    m_emptyTitle->setText(toQString(m_model.emptyTitle()));

    const DiskNode* current = m_model.currentNode();
    m_stack->setCurrentIndex(current ? 1 : 0);
    m_treemap->setNode(current ? std::optional<DiskNode>(*current) : std::nullopt,
        m_model.selection() ? std::optional<std::string>(m_model.selection()->path()) : std::nullopt);
    m_inspector->setVisible(current != nullptr);
    renderBreadcrumbs();
    renderInspector();

    if (m_model.trashFailure() && !m_alert) {
        m_alert = showTrashFailureAlert(this, *m_model.trashFailure(), [this] {
            m_alert = nullptr;
            m_model.dismissTrashFailure();
        });
    }
}

void SpaceView::renderBreadcrumbs()
{
    clearLayout(m_breadcrumbs);
    for (const Breadcrumb& crumb : m_model.breadcrumbs()) {
        if (crumb.index > 0) {
            auto* separator = new QLabel(toQString(breadcrumbSeparator));
            separator->setForegroundRole(QPalette::PlaceholderText);
            m_breadcrumbs->addWidget(separator);
        }
        auto* crumbButton = button(crumb.title);
        crumbButton->setFlat(true);
        const int64_t index = crumb.index;
        connect(crumbButton, &QPushButton::clicked, this, [this, index] { m_model.navigate(index); });
        m_breadcrumbs->addWidget(crumbButton);
    }
    m_breadcrumbs->addStretch();
    m_breadcrumbBar->setVisible(!m_model.drillPath().empty());
}

void SpaceView::renderInspector()
{
    clearLayout(m_inspectorLayout);
    const std::optional<SpaceInspector> inspector = m_model.inspector();
    if (!inspector) {
        auto* none = caption(selectRectangleText);
        none->setAlignment(Qt::AlignCenter);
        m_inspectorLayout->addStretch();
        m_inspectorLayout->addWidget(none);
        m_inspectorLayout->addStretch();
        return;
    }
    auto* name = new QLabel(toQString(inspector->name));
    name->setFont(textStyleFont(TextStyle::headline));
    name->setWordWrap(true);
    m_inspectorLayout->addWidget(name);
    for (const InspectorRow& row : inspector->rows) {
        auto* line = new QHBoxLayout;
        auto* title = new QLabel(toQString(row.title));
        title->setForegroundRole(QPalette::PlaceholderText);
        auto* value = new QLabel(toQString(row.value));
        value->setFont(textStyleFont(TextStyle::body, std::nullopt, FontDesign::monospaced));
        line->addWidget(title);
        line->addStretch();
        line->addWidget(value);
        m_inspectorLayout->addLayout(line);
    }
    if (inspector->note)
        m_inspectorLayout->addWidget(caption(*inspector->note));
    auto* reveal = button(inspector->revealTitle);
    const std::string revealPath = inspector->revealPath;
    connect(reveal, &QPushButton::clicked, this, [revealPath] { revealInFileManager(revealPath); });
    m_inspectorLayout->addWidget(reveal);
    if (inspector->canOpen) {
        auto* open = button(openTitle);
        connect(open, &QPushButton::clicked, this, [this] {
            if (m_model.selection())
                m_model.drill(DiskNode(*m_model.selection()));
        });
        m_inspectorLayout->addWidget(open);
    }
    if (inspector->canScanVolume) {
        auto* scanVolume = button(scanVolumeTitle);
        connect(scanVolume, &QPushButton::clicked, this, [this] {
            if (m_model.selection())
                m_model.scan(m_model.selection()->path());
        });
        m_inspectorLayout->addWidget(scanVolume);
    }
    if (inspector->canTrash) {
        auto* trash = button(moveToTrashTitle);
        trash->setEnabled(!m_model.isTrashing());
        connect(trash, &QPushButton::clicked, this, [this] { confirmTrash(); });
        m_inspectorLayout->addWidget(trash);
    }
    m_inspectorLayout->addStretch();
}

void SpaceView::confirmTrash()
{
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    const QString title = toQString(m_model.trashConfirmationTitle());
    box->setWindowTitle(title);
    box->setText(title);
    QPushButton* cancel = box->addButton(toQString(cancelTitle), QMessageBox::RejectRole);
    QPushButton* destructive = box->addButton(toQString(moveToTrashTitle), QMessageBox::DestructiveRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, destructive](int) {
        if (box->clickedButton() == destructive)
            m_model.trashSelection();
    });
    box->open();
}

}  // namespace lopewell
