#include "app/shell/ui/settings_window.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/shell/ui/settings_panes.h"

namespace lopewell {

SettingsWindow::SettingsWindow(SettingsWindowModel& window, GeneralPaneModel& general, AppUpdater& updater, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_window(window)
    , m_general(general)
    , m_tabs(new QTabWidget)
{
    setWindowTitle(QStringLiteral("Lopewell Settings"));
    setFixedSize(settingsContentWidth, settingsContentHeight);
    for (SettingsTab tab : allSettingsTabs) {
        QWidget* pane = nullptr;
        switch (tab) {
        case SettingsTab::general:
            pane = new GeneralPane(general);
            break;
        case SettingsTab::updates:
            pane = new UpdatesPane(updater);
            break;
        case SettingsTab::privacy:
            pane = makePrivacyPane();
            break;
        case SettingsTab::support:
            pane = makeSupportPane();
            break;
        }
        m_tabs->addTab(pane, themeIcon(settingsTabIconName(tab)), toQString(settingsTabTitle(tab)));
    }
    m_tabs->setDocumentMode(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addWidget(m_tabs);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (auto tab = settingsTabForTag(index))
            m_window.select(*tab);
    });
    m_subscription = m_window.observers().add([this] { render(); });
    render();
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_window.windowShown();  // another screen may have chosen a tab before opening us
    render();
}

void SettingsWindow::render()
{
    const int index = settingsTabTag(m_window.selectedTab());
    if (m_tabs->currentIndex() != index)
        m_tabs->setCurrentIndex(index);
}

}  // namespace lopewell
