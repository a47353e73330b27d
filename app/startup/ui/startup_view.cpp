#include "app/startup/ui/startup_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/ui/file_manager.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A menu of this row may be the one whose action led here.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

}  // namespace

StartupView::DesktopActions StartupView::systemActions()
{
    return DesktopActions {
        .reveal = [](const std::string& path) { revealInFileManager(path); },
        .openSettings =
            [](const StartupSettingsLink& link) {
                if (!link.url.empty()) {
                    QDesktopServices::openUrl(QUrl(toQString(link.url)));
                } else if (!link.command.empty()) {
                    QStringList arguments;
                    for (size_t i = 1; i < link.command.size(); ++i)
                        arguments << toQString(link.command[i]);
                    QProcess::startDetached(toQString(link.command.front()), arguments);
                }
            },
        .copy =
            [](const std::string& text) {
                QClipboard* clipboard = QApplication::clipboard();
                clipboard->clear();
                clipboard->setText(toQString(text));
            },
    };
}

StartupView::StartupView(StartupViewModel& model, DesktopActions actions, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_actions(std::move(actions))
    , m_toggle(new QCheckBox(toQString(model.texts().systemItemsToggle)))
    , m_refresh(new QPushButton(toQString(startupRefreshTitle)))
    , m_busy(new QProgressBar)
    , m_sections(new QWidget)
    , m_sectionsLayout(new QVBoxLayout(m_sections))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 12, 16, 12);
    outer->setSpacing(8);

    auto* subtitle = caption(model.texts().subtitle);
    outer->addWidget(subtitle);

    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(m_toggle);
    toolbar->addStretch();
    m_busy->setRange(0, 0);  // no figure: it only says "working"
    m_busy->setMaximumWidth(60);
    m_busy->setMaximumHeight(10);
    m_busy->setTextVisible(false);
    toolbar->addWidget(m_busy);
    m_refresh->setAutoDefault(false);
    toolbar->addWidget(m_refresh);
    outer->addLayout(toolbar);
    outer->addWidget(caption(model.texts().note));
    connect(m_toggle, &QCheckBox::toggled, this, [this](bool on) { m_model.setShowSystemItems(on); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { m_model.refresh(); });

    m_sectionsLayout->setContentsMargins(0, 4, 0, 4);
    m_sectionsLayout->setSpacing(6);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_sections);
    outer->addWidget(scroll, 1);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

void StartupView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each time the section comes on screen, so it shows what is there now.
    m_model.refresh();
}

void StartupView::render()
{
    m_toggle->setChecked(m_model.showSystemItems());
    m_refresh->setVisible(!m_model.isScanning());
    m_busy->setVisible(m_model.isScanning());
    // Rows are rebuilt only when what they show changed, so an open menu survives other updates.
    if (m_shownItems != m_model.items() || m_shownLayers != m_model.visibleLayers() || m_shownChanging != m_model.isChanging()
        || m_sectionsLayout->count() == 0)
        renderSections();
    presentError();
}

void StartupView::renderSections()
{
    m_shownItems = m_model.items();
    m_shownLayers = m_model.visibleLayers();
    m_shownChanging = m_model.isChanging();
    clearLayout(m_sectionsLayout);
    for (StartupLayer layer : m_model.visibleLayers()) {
        if (m_sectionsLayout->count() > 0)
            m_sectionsLayout->addSpacing(8);
        m_sectionsLayout->addWidget(sectionHeading(startupLayerTitle(layer)));
        auto* box = new QFrame;
        box->setFrameShape(QFrame::StyledPanel);
        box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        auto* rows = new QVBoxLayout(box);
        rows->setContentsMargins(10, 6, 10, 6);
        rows->setSpacing(4);
        const auto items = m_model.items(layer);
        if (items.empty())
            rows->addWidget(caption(startupEmptySectionText));
        for (size_t i = 0; i < items.size(); ++i) {
            if (i > 0) {
                auto* line = new QFrame;
                line->setFrameShape(QFrame::HLine);
                line->setForegroundRole(QPalette::Midlight);
                rows->addWidget(line);
            }
            rows->addWidget(row(items[i]));
        }
        m_sectionsLayout->addWidget(box);
    }
    m_sectionsLayout->addStretch();
}

QWidget* StartupView::row(const StartupItem& item)
{
    auto* widget = new QWidget;
    // Rows keep their height; a long list scrolls instead of squeezing them.
    widget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 2, 0, 2);

    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    auto* title = plainLabel(m_model.rowTitle(item));
    title->setFont(textStyleFont(TextStyle::body, FontWeight::medium));
    titleLine->addWidget(title);
    if (item.isOrphaned) {
        auto* tag = plainLabel(std::string(startupOrphanedTag));
        tag->setFont(textStyleFont(TextStyle::caption2, FontWeight::semibold));
        tag->setStyleSheet(QStringLiteral("QLabel { color: white; background: #d9822b; border-radius: 4px; padding: 0px 5px; }"));
        titleLine->addWidget(tag);
    }
    if (item.note) {
        auto* note = plainLabel(*item.note);
        note->setFont(textStyleFont(TextStyle::caption));
        note->setForegroundRole(QPalette::PlaceholderText);
        titleLine->addWidget(note);
    }
    titleLine->addStretch();
    text->addLayout(titleLine);
    auto* detail = new MiddleElidedLabel(toQString(m_model.rowDetail(item)));
    detail->setFont(textStyleFont(TextStyle::caption, std::nullopt, FontDesign::monospaced));
    detail->setForegroundRole(QPalette::PlaceholderText);
    text->addWidget(detail);
    layout->addLayout(text, 1);

    auto* state = plainLabel(m_model.runStateText(item.runState));
    state->setFont(textStyleFont(TextStyle::caption));
    if (item.runState.kind() == RunState::Kind::running)
        state->setStyleSheet(QStringLiteral("QLabel { color: #2e9d4f; }"));
    else
        state->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(state);

    auto* more = new QToolButton;
    more->setIcon(themeIcon("view-more-symbolic,view-more-horizontal-symbolic,view-more,overflow-menu"));
    more->setText(QStringLiteral("…"));
    more->setAutoRaise(true);
    more->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    more->setPopupMode(QToolButton::InstantPopup);
    more->setToolButtonStyle(more->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    QMenu* menu = actionMenu(item).release();
    menu->setParent(more, menu->windowFlags());
    more->setMenu(menu);
    layout->addWidget(more);
    return widget;
}

std::unique_ptr<QMenu> StartupView::actionMenu(const StartupItem& item)
{
    auto menu = std::make_unique<QMenu>();
    for (StartupAction action : m_model.actions(item)) {
        QAction* entry = menu->addAction(toQString(m_model.actionTitle(action)));
        connect(entry, &QAction::triggered, this, [this, action, item] {
            switch (action) {
            case StartupAction::disable:
            case StartupAction::enable:
                m_model.perform(action, item);
                break;
            case StartupAction::revealInFinder:
                m_actions.reveal(item.plistPath.string());
                break;
            case StartupAction::openLoginItemsSettings:
                if (auto link = m_model.settingsLink())
                    m_actions.openSettings(*link);
                break;
            case StartupAction::copyPath:
                m_actions.copy(item.plistPath.string());
                break;
            }
        });
        entry->setEnabled(!m_model.isChanging() || (action != StartupAction::disable && action != StartupAction::enable));
    }
    return menu;
}

void StartupView::presentError()
{
    const auto& error = m_model.operationError();
    if (!error) {
        if (m_errorAlert)
            m_errorAlert->close();
        return;
    }
    if (m_errorAlert)
        return;
    m_errorAlert = new QMessageBox(QMessageBox::Warning, toQString(startupErrorTitle), toQString(*error), QMessageBox::NoButton, this);
    m_errorAlert->setTextFormat(Qt::PlainText);
    m_errorAlert->addButton(toQString(startupErrorButton), QMessageBox::AcceptRole);
    m_errorAlert->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_errorAlert, &QMessageBox::finished, this, [this] { m_model.clearOperationError(); });
    m_errorAlert->open();
}

}  // namespace lopewell
