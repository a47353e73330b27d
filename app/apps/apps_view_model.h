// The Apps screen's state: the installed applications with a source filter and a search, and
// uninstalling — a row, a dropped or a chosen application is scanned for its leftovers, the
// shared review sheet opens on the result, and what the user confirms is removed, after which
// the list is scanned again.
//
//   AppsViewModel model(AppsViewModel::systemEnvironment(executor, layout, chooser));
//   model.shown();                       // scans once, when the list is empty
//   model.setSearchText("maps");
//   model.inspect(model.filteredApps()[0].url);   // → inspectorTarget() or uninstallerError()
//
// THREAD-SAFETY: none; lives on the main executor. Scans and removals run on their own threads
// and report back through it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/apps/app_sources.h"
#include "app/common/category_inspector_model.h"
#include "core/base/platform_words.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"

namespace lopewell {

inline constexpr std::string_view appsTitle = "Apps";
inline constexpr std::string_view appsListHeading = "Installed applications";
inline constexpr std::string_view appsSearchPlaceholder = "Filter by name or bundle id";
inline constexpr std::string_view appsNoMatchText = "No apps match this filter.";
inline constexpr std::string_view appsRescanButton = "Re-scan";
inline constexpr std::string_view appsAllChip = "All";
inline constexpr std::string_view uninstallerTitle = "Uninstaller";
inline constexpr std::string_view uninstallerScanningText = "Scanning for leftovers…";
inline constexpr std::string_view unreadableAppTitle = "Couldn't read that app";
inline constexpr std::string_view unreadableAppButton = "OK";

class AppsViewModel {
public:
    // The desktop's chooser for an application; absent when the user cancels.
    using ChooseApp = std::function<std::optional<std::filesystem::path>(const AppPicking& picking, std::string_view message)>;

    struct Environment {
        Executor& executor;
        std::shared_ptr<const AppSources> sources;
        const PlatformWords& words;
        ChooseApp chooseApp;
    };

    static Environment systemEnvironment(Executor& executor, const HostLayout& layout, ChooseApp chooseApp);

    explicit AppsViewModel(Environment environment);
    ~AppsViewModel();
    AppsViewModel(const AppsViewModel&) = delete;
    AppsViewModel& operator=(const AppsViewModel&) = delete;

    // Published; observers hear of every change.
    const std::vector<InstalledApp>& apps() const { return m_apps; }
    bool isScanning() const { return m_isScanning; }
    bool uninstallerScanning() const { return m_uninstallerScanning; }
    bool isRemoving() const { return m_removeTask.isRunning(); }
    std::optional<AppSource> filterSource() const { return m_filterSource; }
    const std::string& searchText() const { return m_searchText; }
    const std::optional<std::string>& uninstallerError() const { return m_uninstallerError; }
    // The result the review sheet is open on.
    const std::optional<AppLeftoverResult>& inspectorTarget() const { return m_inspectorTarget; }
    ChangeObservers& observers() { return m_observers; }
    const PlatformWords& words() const { return m_environment.words; }
    AppPicking picking() const { return m_environment.sources->picking(); }

    // The screen appeared: scans unless there is a list already.
    void shown();
    // Scans again; a scan still running is cancelled and its result dropped.
    void refresh();

    void setFilterSource(std::optional<AppSource> source);
    void setSearchText(std::string text);
    std::vector<InstalledApp> filteredApps() const;
    std::map<AppSource, int> countsBySource() const;

    struct SourceChip {
        std::string label;  // "All", "Apple", ...
        int count = 0;
        std::optional<AppSource> source;
        bool selected = false;
        bool operator==(const SourceChip&) const = default;
    };
    std::vector<SourceChip> chips() const;

    struct Row {
        std::string name;
        std::string version;  // "v" + version
        std::string source;   // its label
        std::string size;
        bool operator==(const Row&) const = default;
    };
    static Row row(const InstalledApp& app);

    std::string subtitleText() const;  // "12 apps installed · drag a .app onto …"
    std::string summaryText() const;   // "3 apps · 1.2 GB on disk", over the filtered list
    // What the list area shows instead of rows, if anything.
    std::optional<std::string> placeholderText() const;

    // Scans `target` for leftovers and opens the sheet on the result, or sets the error.
    void inspect(const std::filesystem::path& target);
    // Of dropped paths, the first that is an application by its extension (any case).
    std::optional<std::filesystem::path> droppableApp(const std::vector<std::filesystem::path>& paths) const;
    // Inspects the droppable one; false (the drop is refused) when there is none.
    bool drop(const std::vector<std::filesystem::path>& paths);
    // Opens the chooser; a chosen application is inspected.
    void chooseApp();
    void clearUninstallerError();
    void closeInspector();

    // The review sheet's model over inspectorTarget (nothing when there is none): every item
    // preselected but the name matches, largest first; confirming closes it and removes.
    std::unique_ptr<CategoryInspectorModel> makeInspector();
    static CategoryInspectorModel::Options inspectorOptions(const AppLeftoverResult& result);
    // The rows: a name match says why it is offered, and an app a tool removes says which.
    static std::vector<StorageItem> inspectorItems(const AppLeftoverResult& result);

    // Removes `chosen` of `result` off the main thread, then scans again and calls `done`.
    void uninstall(const AppLeftoverResult& result, std::vector<StorageItem> chosen, std::function<void(RemovalOutcome)> done);

private:
    Environment m_environment;
    std::vector<InstalledApp> m_apps;
    bool m_isScanning = false;
    bool m_uninstallerScanning = false;
    std::optional<AppSource> m_filterSource;
    std::string m_searchText;
    std::optional<std::string> m_uninstallerError;
    std::optional<AppLeftoverResult> m_inspectorTarget;
    BackgroundTask<std::vector<InstalledApp>> m_refreshTask;
    BackgroundTask<std::optional<AppLeftoverResult>> m_leftoverTask;
    BackgroundTask<RemovalOutcome> m_removeTask;
    ChangeObservers m_observers;
};

}  // namespace lopewell
