// The main window's eight sections and the navigation around them: which one is selected,
// the detail column's title, and starting and stopping the live sections (dashboard and
// process table) while the window's content is on screen.
//
//   NavigationModel navigation(mainExecutor);
//   navigation.addLiveSection({ "dashboard", [&] { dashboard.start(); }, [&] { dashboard.stop(); } });
//   navigation.contentShown();   // window shown: starts the live sections on the executor
//   navigation.select(SidebarTab::storage);
//   navigation.contentHidden();  // window closed: stops them
#pragma once

#include "core/base/raw_value.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lopewell {

enum class SidebarTab { dashboard, storage, files, apps, processes, startup, space, security };

template <>
struct RawValues<SidebarTab> {
    static constexpr std::array entries {
        std::pair { SidebarTab::dashboard, std::string_view("dashboard") },
        std::pair { SidebarTab::storage, std::string_view("storage") },
        std::pair { SidebarTab::files, std::string_view("files") },
        std::pair { SidebarTab::apps, std::string_view("apps") },
        std::pair { SidebarTab::processes, std::string_view("processes") },
        std::pair { SidebarTab::startup, std::string_view("startup") },
        std::pair { SidebarTab::space, std::string_view("space") },
        std::pair { SidebarTab::security, std::string_view("security") },
    };
};

LOPEWELL_RAW_VALUE_JSON(SidebarTab)

std::string_view sidebarTabTitle(SidebarTab tab);     // "Dashboard", "Storage", ...
std::string_view sidebarTabSymbol(SidebarTab tab);    // the macOS system symbol
std::string_view sidebarTabIconName(SidebarTab tab);  // the freedesktop icon-theme name

// The sidebar column.
inline constexpr std::string_view sidebarTitle = "Lopewell";
inline constexpr int sidebarMinimumWidth = 180;
inline constexpr int sidebarIdealWidth = 200;
inline constexpr int sidebarMaximumWidth = 240;

// A section that works while the window is open, whichever section is selected. Its owner
// registers it; start and stop are each called once per showing, start on the executor.
struct LiveSection {
    std::string name;
    std::function<void()> start;
    std::function<void()> stop;
};

// THREAD-SAFETY: none; lives on the main executor.
class NavigationModel {
public:
    explicit NavigationModel(Executor& mainExecutor);
    ~NavigationModel();
    NavigationModel(const NavigationModel&) = delete;
    NavigationModel& operator=(const NavigationModel&) = delete;

    // Every new window starts on the dashboard; the selection is not persisted.
    SidebarTab selection() const { return m_selection; }
    void select(SidebarTab tab);
    std::string_view detailTitle() const { return sidebarTabTitle(m_selection); }

    // Started and stopped in the order registered. A section registered while the content is
    // on screen is started like the others.
    void addLiveSection(LiveSection section);

    // The window's content appeared: the live sections start in one job on the executor, as
    // the window's first frame should not wait for them. Shown again while shown: nothing.
    void contentShown();
    // The content disappeared: every started section stops now. A start still queued is
    // dropped, so closing a window right after opening it leaves nothing running.
    void contentHidden();
    bool isContentShown() const { return m_shown; }

    ChangeObservers& observers() { return m_observers; }

private:
    struct Section {
        LiveSection callbacks;
        bool running = false;
    };

    void postStart();
    void startPending();

    Executor& m_executor;
    SidebarTab m_selection = SidebarTab::dashboard;
    std::vector<Section> m_sections;
    bool m_shown = false;
    // Queued start jobs check both: the model may be gone, or the showing may be over.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    unsigned m_showing = 0;
    ChangeObservers m_observers;
};

}  // namespace lopewell
