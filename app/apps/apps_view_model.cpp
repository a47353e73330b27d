#include "app/apps/apps_view_model.h"

#include <algorithm>
#include <cassert>

#include "core/base/text.h"
#include "core/format/byte_count_formatter.h"

namespace lopewell {

namespace fs = std::filesystem;

AppsViewModel::Environment AppsViewModel::systemEnvironment(Executor& executor, const HostLayout& layout, ChooseApp chooseApp)
{
    return Environment { executor, appSourcesFor(layout), platformWords(layout.flavour()), std::move(chooseApp) };
}

AppsViewModel::AppsViewModel(Environment environment) : m_environment(std::move(environment)) {}

AppsViewModel::~AppsViewModel() = default;

void AppsViewModel::shown()
{
    if (m_apps.empty() && !m_isScanning)
        refresh();
}

void AppsViewModel::refresh()
{
    assert(m_environment.executor.isCurrent());
    m_refreshTask.cancel();
    m_isScanning = true;
    m_observers.notify();
    std::shared_ptr<const AppSources> sources = m_environment.sources;
    m_refreshTask = BackgroundTask<std::vector<InstalledApp>>(
        m_environment.executor, [sources](std::stop_token stop) { return sources->scanApps(stop); },
        [this](std::vector<InstalledApp> apps) {
            m_apps = std::move(apps);
            m_isScanning = false;
            m_observers.notify();
        });
}

void AppsViewModel::setFilterSource(std::optional<AppSource> source)
{
    if (m_filterSource == source)
        return;
    m_filterSource = source;
    m_observers.notify();
}

void AppsViewModel::setSearchText(std::string text)
{
    if (m_searchText == text)
        return;
    m_searchText = std::move(text);
    m_observers.notify();
}

std::vector<InstalledApp> AppsViewModel::filteredApps() const
{
    std::vector<InstalledApp> result;
    const std::string query = foldedCase(trimmedUnicode(m_searchText));
    for (const InstalledApp& app : m_apps) {
        if (m_filterSource && app.source != *m_filterSource)
            continue;
        if (!query.empty() && foldedCase(app.name).find(query) == std::string::npos
            && foldedCase(app.bundleID).find(query) == std::string::npos)
            continue;
        result.push_back(app);
    }
    return result;
}

std::map<AppSource, int> AppsViewModel::countsBySource() const
{
    std::map<AppSource, int> counts;
    for (const InstalledApp& app : m_apps)
        ++counts[app.source];
    return counts;
}

std::vector<AppsViewModel::SourceChip> AppsViewModel::chips() const
{
    const std::map<AppSource, int> counts = countsBySource();
    std::vector<SourceChip> chips { { std::string(appsAllChip), int(m_apps.size()), std::nullopt, !m_filterSource } };
    for (AppSource source : m_environment.sources->sources()) {
        const auto count = counts.find(source);
        chips.push_back(
            { std::string(appSourceLabel(source)), count == counts.end() ? 0 : count->second, source, m_filterSource == source });
    }
    return chips;
}

AppsViewModel::Row AppsViewModel::row(const InstalledApp& app)
{
    return { app.name, "v" + app.version, std::string(appSourceLabel(app.source)), formatByteCount(app.size, ByteCountStyle::file) };
}

std::string AppsViewModel::subtitleText() const
{
    return std::to_string(m_apps.size()) + std::string(m_environment.words.appsSubtitleSuffix);
}

std::string AppsViewModel::summaryText() const
{
    const std::vector<InstalledApp> shown = filteredApps();
    std::uint64_t bytes = 0;
    for (const InstalledApp& app : shown)
        bytes += app.size;
    return std::to_string(shown.size()) + (shown.size() == 1 ? " app" : " apps") + " · " + formatByteCount(bytes, ByteCountStyle::file)
        + " on disk";
}

std::optional<std::string> AppsViewModel::placeholderText() const
{
    if (m_isScanning && m_apps.empty())
        return std::string(m_environment.words.appsScanningText);
    if (filteredApps().empty())
        return std::string(appsNoMatchText);
    return std::nullopt;
}

void AppsViewModel::inspect(const fs::path& target)
{
    assert(m_environment.executor.isCurrent());
    m_uninstallerScanning = true;
    m_observers.notify();
    std::shared_ptr<const AppSources> sources = m_environment.sources;
    std::string name = fs::path(target).filename().string();
    if (name.empty())
        name = fs::path(target).parent_path().filename().string();
    m_leftoverTask = BackgroundTask<std::optional<AppLeftoverResult>>(
        m_environment.executor,
        [sources, target, installed = m_apps](std::stop_token stop) { return sources->scanLeftovers(target, installed, stop); },
        [this, name](std::optional<AppLeftoverResult> result) {
            m_uninstallerScanning = false;
            if (result)
                m_inspectorTarget = std::move(result);
            else
                m_uninstallerError = "We couldn't read " + name + std::string(m_environment.words.unreadableAppSuffix);
            m_observers.notify();
        });
}

std::optional<fs::path> AppsViewModel::droppableApp(const std::vector<fs::path>& paths) const
{
    const AppPicking picking = m_environment.sources->picking();
    for (const fs::path& path : paths) {
        std::string text = path.native();
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        std::string extension = fs::path(text).extension().string();
        if (extension.empty())
            continue;
        extension = foldedCase(std::string_view(extension).substr(1));
        if (std::find(picking.extensions.begin(), picking.extensions.end(), extension) != picking.extensions.end())
            return fs::path(text);
    }
    return std::nullopt;
}

bool AppsViewModel::drop(const std::vector<fs::path>& paths)
{
    std::optional<fs::path> app = droppableApp(paths);
    if (!app)
        return false;
    inspect(*app);
    return true;
}

void AppsViewModel::chooseApp()
{
    if (!m_environment.chooseApp)
        return;
    if (std::optional<fs::path> chosen = m_environment.chooseApp(picking(), m_environment.words.chooseAppMessage))
        inspect(*chosen);
}

void AppsViewModel::clearUninstallerError()
{
    if (!m_uninstallerError)
        return;
    m_uninstallerError.reset();
    m_observers.notify();
}

void AppsViewModel::closeInspector()
{
    if (!m_inspectorTarget)
        return;
    m_inspectorTarget.reset();
    m_observers.notify();
}

CategoryInspectorModel::Options AppsViewModel::inspectorOptions(const AppLeftoverResult& result)
{
    CategoryInspectorModel::Options options;
    options.title = "Uninstall " + result.appName;
    options.staysOpen = false;
    options.offersTrashAll = false;
    options.permanentDelete = false;
    options.preselectAll = result.nameMatches.empty();
    if (!result.nameMatches.empty())
        options.defaultSelection = result.preselected();
    options.note = result.removalNote;
    return options;
}

std::vector<StorageItem> AppsViewModel::inspectorItems(const AppLeftoverResult& result)
{
    std::vector<StorageItem> items = result.items;
    for (size_t i = 0; i < items.size(); ++i) {
        StorageItem& item = items[i];
        if (auto match = result.nameMatches.find(item.path); match != result.nameMatches.end())
            item.displayName = item.name() + " — " + match->second;
        else if (i == 0 && result.removal != AppRemovalKind::trash) {
            const char* tool = result.removal == AppRemovalKind::flatpak ? "flatpak"
                : result.removal == AppRemovalKind::snap                 ? "snap"
                                                                         : "PackageKit";
            item.displayName = result.appName + " (removed by " + tool + ")";
        }
    }
    return items;
}

std::unique_ptr<CategoryInspectorModel> AppsViewModel::makeInspector()
{
    if (!m_inspectorTarget)
        return nullptr;
    const AppLeftoverResult result = *m_inspectorTarget;
    CategoryInspectorModel::Options options = inspectorOptions(result);
    options.words = m_environment.words;
    return std::make_unique<CategoryInspectorModel>(std::move(options), inspectorItems(result),
        [this, result](std::vector<StorageItem> chosen, CategoryInspectorModel::RemoveDone done) {
            // The sheet closes as soon as the user confirms.
            closeInspector();
            uninstall(result, std::move(chosen), std::move(done));
        });
}

void AppsViewModel::uninstall(const AppLeftoverResult& result, std::vector<StorageItem> chosen, std::function<void(RemovalOutcome)> done)
{
    assert(m_environment.executor.isCurrent());
    if (m_removeTask.isRunning()) {
        if (done)
            done(failedOutcome(pathsOf(chosen), "Another removal is still running."));
        return;
    }
    // The rows carry labels of their own; the removal works on the result's items.
    std::shared_ptr<const AppSources> sources = m_environment.sources;
    m_removeTask = BackgroundTask<RemovalOutcome>(
        m_environment.executor, [sources, result, chosen = std::move(chosen)](std::stop_token) { return sources->remove(result, chosen); },
        [this, done = std::move(done)](RemovalOutcome outcome) {
            refresh();
            if (done)
                done(std::move(outcome));
            m_observers.notify();
        });
    m_observers.notify();
}

}  // namespace lopewell
