// The main window's frame: the sidebar of the eight sections and the detail column with the
// selected section's title over its screen. Sections install their screens as they arrive.
#pragma once

#include <QWidget>
#include <map>

#include "app/shell/sidebar_tab.h"

class QLabel;
class QListWidget;
class QStackedWidget;

namespace lopewell {

class MainWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize { 900, 580 };

    explicit MainWindow(NavigationModel& navigation, QWidget* parent = nullptr);

    // The screen shown for `tab`; until one is set the detail column shows only the title.
    void setSectionWidget(SidebarTab tab, QWidget* widget);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void render();

    NavigationModel& m_navigation;
    ChangeObservers::Subscription m_subscription;
    QListWidget* m_sidebar;
    QLabel* m_title;
    QStackedWidget* m_detail;
    std::map<SidebarTab, QWidget*> m_sections;
    bool m_centred = false;
};

}  // namespace lopewell
