#include "app/startup/startup_view_model.h"

#include <algorithm>
#include <iterator>

#include "core/base/utf8.h"

namespace lopewell {

namespace {

// The letter a reader files a character under: case dropped, and the accented letters of
// Latin-1 under their base letter, as a dictionary orders them.
char32_t baseLetter(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c < 0xC0 || c > 0xFF || c == 0xD7 || c == 0xF7)
        return c;
    static constexpr char bases[] = "aaaaaaaceeeeiiiidnooooo_ouuuuytsaaaaaaaceeeeiiiidnooooo_ouuuuyty";
    return char32_t(bases[c - 0xC0]);
}

// Compares two texts by `key` applied to each code point.
template <typename Key>
int compareBy(std::string_view a, std::string_view b, Key key)
{
    while (!a.empty() && !b.empty()) {
        const utf8::CodePoint l = utf8::decodeFront(a);
        const utf8::CodePoint r = utf8::decodeFront(b);
        if (key(l.value) != key(r.value))
            return key(l.value) < key(r.value) ? -1 : 1;
        a.remove_prefix(l.length);
        b.remove_prefix(r.length);
    }
    if (a.empty() != b.empty())
        return a.empty() ? -1 : 1;
    return 0;
}

}  // namespace

bool startupSortsBefore(std::string_view a, std::string_view b)
{
    if (int order = compareBy(a, b, baseLetter); order != 0)
        return order < 0;
    // Same letters: "e" before "é", then case, so the order is total.
    if (int order = compareBy(a, b, [](char32_t c) { return c >= U'A' && c <= U'Z' ? c + 0x20 : c; }); order != 0)
        return order < 0;
    return a < b;
}

StartupViewModel::Environment StartupViewModel::systemEnvironment(Executor& executor, const HostLayout& layout)
{
    return Environment { executor, makeStartupSources(layout) };
}

StartupViewModel::StartupViewModel(Environment environment) : m_environment(std::move(environment)) {}

StartupViewModel::~StartupViewModel()
{
    // Both tasks call back into this object: end them before anything else goes.
    m_change.cancel();
    m_scan.cancel();
}

void StartupViewModel::refresh()
{
    if (m_scan.isRunning()) {
        m_rescanRequested = true;
        return;
    }
    startScan();
}

void StartupViewModel::startScan()
{
    m_rescanRequested = false;
    m_scan = BackgroundTask<std::vector<StartupItem>>(
        m_environment.executor,
        [sources = m_environment.sources, includeSystem = m_showSystemItems](std::stop_token) { return sources->scan(includeSystem); },
        [this](std::vector<StartupItem> items) {
            m_items = std::move(items);
            if (m_rescanRequested)
                startScan();
            changed();
        });
    changed();
}

void StartupViewModel::setShowSystemItems(bool show)
{
    if (show == m_showSystemItems)
        return;
    m_showSystemItems = show;
    changed();
    refresh();
}

void StartupViewModel::perform(StartupAction action, const StartupItem& item)
{
    if ((action != StartupAction::disable && action != StartupAction::enable) || m_change.isRunning())
        return;
    m_operationError.reset();
    const bool enable = action == StartupAction::enable;
    m_change = BackgroundTask<ErrorOr<void>>(
        m_environment.executor,
        [sources = m_environment.sources, item, enable](
            std::stop_token) { return enable ? sources->enable(item) : sources->disable(item); },
        [this](ErrorOr<void> done) {
            if (!done)
                m_operationError = done.error().message;
            // The rescan starts before observers hear of the end, so none sees the change done
            // and the list not yet rescanned.
            refresh();
            changed();
        });
    changed();
}

void StartupViewModel::clearOperationError()
{
    if (!m_operationError)
        return;
    m_operationError.reset();
    changed();
}

std::vector<StartupLayer> StartupViewModel::visibleLayers() const
{
    return m_environment.sources->layers(m_showSystemItems);
}

std::vector<StartupItem> StartupViewModel::items(StartupLayer layer) const
{
    std::vector<StartupItem> result;
    std::copy_if(
        m_items.begin(), m_items.end(), std::back_inserter(result), [layer](const StartupItem& item) { return item.layer == layer; });
    std::stable_sort(result.begin(), result.end(), [](const StartupItem& a, const StartupItem& b) {
        return startupSortsBefore(a.owner.value_or(a.label), b.owner.value_or(b.label));
    });
    return result;
}

std::vector<StartupAction> StartupViewModel::actions(const StartupItem& item) const
{
    std::vector<StartupAction> actions;
    if (item.isControllable())
        actions.push_back(item.runState == RunState::disabled() ? StartupAction::enable : StartupAction::disable);
    actions.push_back(StartupAction::revealInFinder);
    if (settingsLink())
        actions.push_back(StartupAction::openLoginItemsSettings);
    actions.push_back(StartupAction::copyPath);
    return actions;
}

std::string StartupViewModel::actionTitle(StartupAction action) const
{
    switch (action) {
    case StartupAction::disable:
        return "Disable";
    case StartupAction::enable:
        return "Enable";
    case StartupAction::revealInFinder:
        return texts().revealTitle;
    case StartupAction::openLoginItemsSettings:
        return texts().openSettingsTitle;
    case StartupAction::copyPath:
        return "Copy Path";
    }
    return {};
}

std::string StartupViewModel::rowTitle(const StartupItem& item) const
{
    return item.owner.value_or(item.label);
}

std::string StartupViewModel::rowDetail(const StartupItem& item) const
{
    return item.programPath.value_or(item.label);
}

std::string StartupViewModel::runStateText(const RunState& state) const
{
    switch (state.kind()) {
    case RunState::Kind::running:
        return "Running \u00B7 " + std::to_string(state.pid());
    case RunState::Kind::loaded:
        return "Loaded";
    case RunState::Kind::notLoaded:
        return "Not loaded";
    case RunState::Kind::disabled:
        return texts().disabledState;
    }
    return {};
}

}  // namespace lopewell
