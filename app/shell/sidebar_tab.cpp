#include "app/shell/sidebar_tab.h"

#include "app/common/icon_names.h"

#include <cassert>

namespace lopewell {

std::string_view sidebarTabTitle(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::dashboard:
        return "Dashboard";
    case SidebarTab::storage:
        return "Storage";
    case SidebarTab::files:
        return "Files";
    case SidebarTab::apps:
        return "Apps";
    case SidebarTab::processes:
        return "Processes";
    case SidebarTab::startup:
        return "Startup";
    case SidebarTab::space:
        return "Space";
    case SidebarTab::security:
        return "Security";
    }
    return {};
}

std::string_view sidebarTabSymbol(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::dashboard:
        return "gauge.with.dots.needle.50percent";
    case SidebarTab::storage:
        return "internaldrive";
    case SidebarTab::files:
        return "doc.on.doc";
    case SidebarTab::apps:
        return "app.dashed";
    case SidebarTab::processes:
        return "list.bullet.rectangle";
    case SidebarTab::startup:
        return "power";
    case SidebarTab::space:
        return "square.grid.3x3.fill.square";
    case SidebarTab::security:
        return "checkmark.shield";
    }
    return {};
}

std::string_view sidebarTabIconName(SidebarTab tab)
{
    return iconThemeName(sidebarTabSymbol(tab));
}

NavigationModel::NavigationModel(Executor& mainExecutor) : m_executor(mainExecutor) {}

NavigationModel::~NavigationModel() = default;

void NavigationModel::select(SidebarTab tab)
{
    assert(m_executor.isCurrent());
    if (tab == m_selection)
        return;
    m_selection = tab;
    m_observers.notify();
}

void NavigationModel::addLiveSection(LiveSection section)
{
    assert(m_executor.isCurrent());
    m_sections.push_back({ std::move(section), false });
    if (m_shown)
        postStart();
}

void NavigationModel::contentShown()
{
    assert(m_executor.isCurrent());
    if (m_shown)
        return;
    m_shown = true;
    ++m_showing;
    postStart();
    m_observers.notify();
}

void NavigationModel::contentHidden()
{
    assert(m_executor.isCurrent());
    if (!m_shown)
        return;
    m_shown = false;
    ++m_showing;
    for (Section& section : m_sections) {
        if (!section.running)
            continue;
        section.running = false;
        if (section.callbacks.stop)
            section.callbacks.stop();
    }
    m_observers.notify();
}

void NavigationModel::postStart()
{
    m_executor.post([this, alive = std::weak_ptr<int>(m_alive), showing = m_showing] {
        if (alive.expired() || showing != m_showing)
            return;
        startPending();
    });
}

void NavigationModel::startPending()
{
    // By index: a start callback may register another section.
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].running)
            continue;
        m_sections[i].running = true;
        if (m_sections[i].callbacks.start)
            m_sections[i].callbacks.start();
    }
}

}  // namespace lopewell
