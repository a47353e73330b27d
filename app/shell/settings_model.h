// The settings window: its four tabs and which one is selected, the General pane's toggles,
// and every text of the General, Updates, Privacy and Support panes. The updater's own state
// (can-check, automatic checks, last check) belongs to the updater; the Updates pane here is
// texts only.
//
//   GeneralPaneModel general(defaults, LoginItemService(layout),
//                            [&](bool on) { coordinator.setEnabled(on); },
//                            [&](bool hide) { applyActivationPolicy(hide); });
//   general.paneShown();                  // reads the login item's real state
//   general.setAutoLaunchEnabled(true);   // may fail: errorMessage(), toggle snaps back
#pragma once

#include "app/common/link_row.h"
#include "app/shell/settings_keys.h"
#include "core/concurrency/change_observers.h"
#include "platform/login_item.h"
#include "platform/user_defaults.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

// The tag is what "selectedSettingsTab" stores.
enum class SettingsTab : int { general = 0, updates = 1, privacy = 2, support = 3 };

inline constexpr std::array allSettingsTabs { SettingsTab::general, SettingsTab::updates, SettingsTab::privacy, SettingsTab::support };

inline constexpr int settingsTabTag(SettingsTab tab)
{
    return static_cast<int>(tab);
}
std::optional<SettingsTab> settingsTabForTag(std::int64_t tag);

std::string_view settingsTabTitle(SettingsTab tab);     // "General", "Updates", ...
std::string_view settingsTabSymbol(SettingsTab tab);    // the macOS system symbol
std::string_view settingsTabIconName(SettingsTab tab);  // the freedesktop icon-theme name

inline constexpr int settingsContentWidth = 520;
inline constexpr int settingsContentHeight = 380;

// The stored settings, with the defaults that apply when a value is absent. A stored tab that
// is not one of the four tags (hand-edited, or from another version) reads as General.
SettingsTab storedSettingsTab(const UserDefaults& defaults);

// How another screen sends the user to a tab: store the tag, then open the window, which
// reads it on showing. A failed store is logged and the window opens anyway.
void openSettingsAt(UserDefaults& defaults, SettingsTab tab, const std::function<void()>& openWindow);

// The window's tab bar. THREAD-SAFETY: none; lives on the main executor.
class SettingsWindowModel {
public:
    explicit SettingsWindowModel(std::shared_ptr<UserDefaults> defaults);

    // Picks up a tab another screen chose before opening the window.
    void windowShown();
    SettingsTab selectedTab() const { return m_selected; }
    // Switches at once; the choice is remembered for the next opening when it can be stored.
    void select(SettingsTab tab);

    ChangeObservers& observers() { return m_observers; }

private:
    std::shared_ptr<UserDefaults> m_defaults;
    SettingsTab m_selected;
    ChangeObservers m_observers;
};

// The General pane. Every toggle takes effect at once; nothing needs a restart.
// THREAD-SAFETY: none; lives on the main executor.
class GeneralPaneModel {
public:
    GeneralPaneModel(std::shared_ptr<UserDefaults> defaults, LoginItemService loginItem, std::function<void(bool)> setMenuBarEnabled,
        std::function<void(bool)> applyHideFromDock);

    // Re-reads the two stored toggles and asks the login-item service for its real state.
    void paneShown();

    bool menuBarEnabled() const { return m_menuBarEnabled; }
    void setMenuBarEnabled(bool enabled);
    bool hideFromDock() const { return m_hideFromDock; }
    void setHideFromDock(bool hide);

    bool autoLaunchEnabled() const { return m_autoLaunchEnabled; }
    // Registers or unregisters the login item. On failure the toggle returns to what the
    // service really reports and errorMessage() says why.
    void setAutoLaunchEnabled(bool enabled);
    // Shown under the toggle, in red, with errorSymbol.
    const std::optional<std::string>& errorMessage() const { return m_errorMessage; }

    ChangeObservers& observers() { return m_observers; }

private:
    bool loginItemEnabled() const;

    std::shared_ptr<UserDefaults> m_defaults;
    LoginItemService m_loginItem;
    std::function<void(bool)> m_setMenuBarEnabled;
    std::function<void(bool)> m_applyHideFromDock;
    bool m_menuBarEnabled = true;
    bool m_hideFromDock = false;
    bool m_autoLaunchEnabled = false;
    std::optional<std::string> m_errorMessage;
    ChangeObservers m_observers;
};

namespace GeneralPaneText {
inline constexpr std::string_view menuBarSection = "Menu Bar";
inline constexpr std::string_view menuBarToggle = "Show CPU readout in the menu bar";
inline constexpr std::string_view menuBarCaption = "Tap the menu bar item for a mini dashboard; right-click for Open / Quit.";
inline constexpr std::string_view dockToggle = "Hide Lopewell from the Dock";
inline constexpr std::string_view dockCaption
    = "Hiding from the Dock keeps the menu bar item available without a Dock icon. Re-show it by reopening Settings from Spotlight.";
inline constexpr std::string_view atLaunchSection = "At Launch";
inline constexpr std::string_view loginToggle = "Open Lopewell at login";
inline constexpr std::string_view errorPrefix = "Couldn't update Open at Login: ";
inline constexpr std::string_view errorSymbol = "exclamationmark.triangle";
}  // namespace GeneralPaneText

namespace UpdatesPaneText {
inline constexpr std::string_view automaticChecksSection = "Automatic checks";
inline constexpr std::string_view automaticChecksToggle = "Check for updates automatically";
inline constexpr std::string_view automaticChecksCaption = "Checks once every 24 hours. Lopewell only tells you about a new release and "
                                                           "opens its page — nothing is downloaded or installed behind your back.";
inline constexpr std::string_view statusSection = "Status";
inline constexpr std::string_view lastCheckedLabel = "Last checked";
inline constexpr std::string_view neverChecked = "Never";
inline constexpr std::string_view checkNowButton = "Check Now";
}  // namespace UpdatesPaneText

namespace PrivacyPaneText {
inline constexpr std::string_view onDeviceSection = "On-device only";
inline constexpr std::string_view onDeviceHeading = "Runs entirely on your Mac";
inline constexpr std::string_view onDeviceSymbol = "lock.shield.fill";
inline constexpr std::string_view onDeviceParagraph
    = "No analytics, no telemetry, no third-party SDKs. The only outbound network request Lopewell makes is the update check.";
inline constexpr std::string_view verifySection = "Verify yourself";
inline constexpr std::string_view verifyInstruction = "Open Terminal and run:";
// Case-insensitive: the running program's name is "lopewell".
inline constexpr std::string_view verifyCommand = "lsof -i -n -P | grep -i lopewell";
inline constexpr std::string_view verifyExpectation = "While the app is running, the only listed network connection should be the periodic "
                                                      "HTTPS check against the appcast — and only during a check window.";
}  // namespace PrivacyPaneText

namespace SupportPaneText {
inline constexpr std::string_view supportSection = "Support development";
inline constexpr std::string_view supportText
    = "Lopewell is free, with no Pro upsells and no ads. If it saved you time, here are three ways to say thanks — none required.";
inline constexpr std::string_view feedbackSection = "Feedback";
inline constexpr std::string_view feedbackSymbol = "envelope.fill";
inline constexpr std::string_view feedbackText = "Bug reports, feature requests, or just say hi.";
inline constexpr std::string_view feedbackCaption = "Opens in your default mail app";
}  // namespace SupportPaneText

// The Support pane's three rows, in order: coffee, sponsors, direct tip.
std::vector<LinkRow> supportPaneLinks();
// The Feedback section's mail link: the address as its title, a mailto: address as its url.
LinkRow supportPaneFeedbackLink();

}  // namespace lopewell
