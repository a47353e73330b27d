// The Startup section's logic: the scan off the main thread, the sections and their order, the
// row texts and actions, and switching the user's own items off and on with a rescan after
// each change, so the screen always shows what is really there.
//
//   StartupViewModel startup(StartupViewModel::systemEnvironment(executor, layout));
//   auto subscription = startup.observers().add([&] { render(startup); });
//   startup.refresh();
//   for (StartupLayer layer : startup.visibleLayers()) show(startupLayerTitle(layer), startup.items(layer));
//   startup.perform(StartupAction::disable, item);
//
// THREAD-SAFETY: lives on its executor's thread; scans and switches run on threads of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup/startup_sources.h"
#include "core/base/error_or.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"
#include "core/startup/startup_item.h"
#include "platform/host_layout.h"

namespace lopewell {

// The row menu's actions, in menu order.
enum class StartupAction { disable, enable, revealInFinder, openLoginItemsSettings, copyPath };

inline constexpr std::string_view startupTitle = "Startup";
inline constexpr std::string_view startupRefreshTitle = "Refresh";
inline constexpr std::string_view startupEmptySectionText = "Nothing here.";
inline constexpr std::string_view startupOrphanedTag = "orphaned";
inline constexpr std::string_view startupErrorTitle = "Couldn't change that item";
inline constexpr std::string_view startupErrorButton = "OK";

// Sort keys compared without case, letters of Latin scripts folded, then byte by byte.
bool startupSortsBefore(std::string_view a, std::string_view b);

class StartupViewModel {
public:
    struct Environment {
        Executor& executor;
        std::shared_ptr<const StartupSources> sources;
    };

    // The sources of the layout's flavour.
    static Environment systemEnvironment(Executor& executor, const HostLayout& layout);

    explicit StartupViewModel(Environment environment);
    ~StartupViewModel();
    StartupViewModel(const StartupViewModel&) = delete;
    StartupViewModel& operator=(const StartupViewModel&) = delete;

    // Published; observers hear of every change.
    const std::vector<StartupItem>& items() const { return m_items; }  // in scan order
    bool isScanning() const { return m_scan.isRunning(); }
    bool isChanging() const { return m_change.isRunning(); }
    bool showSystemItems() const { return m_showSystemItems; }
    const std::optional<std::string>& operationError() const { return m_operationError; }
    ChangeObservers& observers() { return m_observers; }

    // Scans again. Asked while a scan runs, one more scan follows it, so the last request wins.
    void refresh();
    // The "Show Apple system items" toggle: rescans when it changes.
    void setShowSystemItems(bool show);
    // Disable or enable, then a rescan whatever the outcome. Ignored while a change runs.
    void perform(StartupAction action, const StartupItem& item);
    // The alert's "OK".
    void clearOperationError();

    std::vector<StartupLayer> visibleLayers() const;
    // The items of one section, sorted by owner (or label).
    std::vector<StartupItem> items(StartupLayer layer) const;

    // What the row's menu offers, in order.
    std::vector<StartupAction> actions(const StartupItem& item) const;
    std::string actionTitle(StartupAction action) const;
    std::string rowTitle(const StartupItem& item) const;    // the owner, or the label
    std::string rowDetail(const StartupItem& item) const;   // the program, or the label
    std::string runStateText(const RunState& state) const;  // "Running · 42", "Loaded", ...

    const StartupTexts& texts() const { return m_environment.sources->texts(); }
    std::optional<StartupSettingsLink> settingsLink() const { return m_environment.sources->settingsLink(); }

private:
    void startScan();
    void changed() { m_observers.notify(); }

    Environment m_environment;
    std::vector<StartupItem> m_items;
    bool m_showSystemItems = false;
    bool m_rescanRequested = false;
    std::optional<std::string> m_operationError;
    ChangeObservers m_observers;
    BackgroundTask<std::vector<StartupItem>> m_scan;
    BackgroundTask<ErrorOr<void>> m_change;
};

}  // namespace lopewell
