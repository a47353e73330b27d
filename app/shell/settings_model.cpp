#include "app/shell/settings_model.h"

#include "app/common/icon_names.h"
#include "app/shell/app_configuration.h"
#include "platform/log.h"

namespace lopewell {

namespace {

constexpr std::string_view logCategory = "Settings";

void storeBool(UserDefaults& defaults, std::string_view key, bool value)
{
    if (ErrorOr<void> stored = defaults.setBool(key, value); !stored)
        log::error(logCategory, "Failed to persist " + std::string(key) + ": " + stored.error().message);
}

}  // namespace

std::optional<SettingsTab> settingsTabForTag(std::int64_t tag)
{
    for (SettingsTab tab : allSettingsTabs) {
        if (settingsTabTag(tab) == tag)
            return tab;
    }
    return std::nullopt;
}

std::string_view settingsTabTitle(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        return "General";
    case SettingsTab::updates:
        return "Updates";
    case SettingsTab::privacy:
        return "Privacy";
    case SettingsTab::support:
        return "Support";
    }
    return {};
}

std::string_view settingsTabSymbol(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        return "gear";
    case SettingsTab::updates:
        return "arrow.down.circle";
    case SettingsTab::privacy:
        return "lock.shield";
    case SettingsTab::support:
        return "heart";
    }
    return {};
}

std::string_view settingsTabIconName(SettingsTab tab)
{
    return iconThemeName(settingsTabSymbol(tab));
}

SettingsTab storedSettingsTab(const UserDefaults& defaults)
{
    return settingsTabForTag(defaults.integerForKey(SettingsKey::selectedSettingsTab)).value_or(SettingsTab::general);
}

void openSettingsAt(UserDefaults& defaults, SettingsTab tab, const std::function<void()>& openWindow)
{
    if (ErrorOr<void> stored = defaults.setInteger(SettingsKey::selectedSettingsTab, settingsTabTag(tab)); !stored)
        log::error(logCategory, "Failed to persist selectedSettingsTab: " + stored.error().message);
    if (openWindow)
        openWindow();
}

SettingsWindowModel::SettingsWindowModel(std::shared_ptr<UserDefaults> defaults)
    : m_defaults(std::move(defaults))
    , m_selected(storedSettingsTab(*m_defaults))
{
}

void SettingsWindowModel::windowShown()
{
    const SettingsTab stored = storedSettingsTab(*m_defaults);
    if (stored == m_selected)
        return;
    m_selected = stored;
    m_observers.notify();
}

void SettingsWindowModel::select(SettingsTab tab)
{
    if (tab == m_selected)
        return;
    m_selected = tab;
    if (ErrorOr<void> stored = m_defaults->setInteger(SettingsKey::selectedSettingsTab, settingsTabTag(tab)); !stored)
        log::error(logCategory, "Failed to persist selectedSettingsTab: " + stored.error().message);
    m_observers.notify();
}

GeneralPaneModel::GeneralPaneModel(std::shared_ptr<UserDefaults> defaults, LoginItemService loginItem,
    std::function<void(bool)> setMenuBarEnabled, std::function<void(bool)> applyHideFromDock)
    : m_defaults(std::move(defaults))
    , m_loginItem(std::move(loginItem))
    , m_setMenuBarEnabled(std::move(setMenuBarEnabled))
    , m_applyHideFromDock(std::move(applyHideFromDock))
    , m_menuBarEnabled(storedMenuBarItemEnabled(*m_defaults))
    , m_hideFromDock(storedHideFromDock(*m_defaults))
{
}

bool GeneralPaneModel::loginItemEnabled() const
{
    return m_loginItem.status() == LoginItemStatus::enabled;
}

void GeneralPaneModel::paneShown()
{
    // The menu bar item can be switched elsewhere, and the login item in the desktop's own
    // settings, while the pane is closed.
    m_menuBarEnabled = storedMenuBarItemEnabled(*m_defaults);
    m_hideFromDock = storedHideFromDock(*m_defaults);
    m_autoLaunchEnabled = loginItemEnabled();
    m_observers.notify();
}

void GeneralPaneModel::setMenuBarEnabled(bool enabled)
{
    if (enabled == m_menuBarEnabled)
        return;
    m_menuBarEnabled = enabled;
    storeBool(*m_defaults, SettingsKey::menuBarItemEnabled, enabled);
    if (m_setMenuBarEnabled)
        m_setMenuBarEnabled(enabled);
    m_observers.notify();
}

void GeneralPaneModel::setHideFromDock(bool hide)
{
    if (hide == m_hideFromDock)
        return;
    m_hideFromDock = hide;
    storeBool(*m_defaults, SettingsKey::hideFromDock, hide);
    if (m_applyHideFromDock)
        m_applyHideFromDock(hide);
    m_observers.notify();
}

void GeneralPaneModel::setAutoLaunchEnabled(bool enabled)
{
    if (enabled == m_autoLaunchEnabled)
        return;
    m_autoLaunchEnabled = enabled;
    m_observers.notify();

    const ErrorOr<void> result = enabled ? m_loginItem.registerItem() : m_loginItem.unregisterItem();
    if (result) {
        m_errorMessage.reset();
    } else {
        m_errorMessage = std::string(GeneralPaneText::errorPrefix) + result.error().message;
        // Never show a state the system refused.
        m_autoLaunchEnabled = loginItemEnabled();
    }
    m_observers.notify();
}

std::vector<LinkRow> supportPaneLinks()
{
    return {
        { "cup.and.saucer.fill", "Buy me a coffee", "One-time tip on Buy Me a Coffee", std::string(configuration::buyMeACoffeeURL) },
        { "heart.fill", "GitHub Sponsors", "Recurring sponsorship", std::string(configuration::gitHubSponsorsURL) },
        { "creditcard.fill", "Direct tip via Stripe", "One-time, no platform cut", std::string(configuration::directTipURL) },
    };
}

LinkRow supportPaneFeedbackLink()
{
    return { std::string(SupportPaneText::feedbackSymbol), std::string(configuration::supportEmail),
        std::string(SupportPaneText::feedbackCaption), configuration::supportMailURL() };
}

}  // namespace lopewell
