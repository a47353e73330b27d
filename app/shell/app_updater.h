// The update checker behind the Updates pane and the "Check for Updates…" command: fetches the
// release feed, compares its newest release with the running version, and keeps the answer for
// the screen. While automatic checks are on it checks every 24 hours, the first time 24 hours
// after the last check (or shortly after launch when there was none, or it is overdue).
//
//   AppUpdater updater(executor, ContinuousClock::shared(), defaults,
//                      std::string(configuration::updateFeedURL), LOPEWELL_VERSION);
//   auto subscription = updater.observers().add([&] { render(updater); });
//   updater.checkForUpdates();   // the answer arrives later: lastOutcome()
//
// Only a completed check moves lastUpdateCheckDate; a failed one says why in lastOutcome()
// and changes nothing else. An automatic check that failed is retried after an hour.
//
// THREAD-SAFETY: none; lives on the main executor. Checks and the schedule's waits run on
// their own threads and report back through the executor; destroying the updater cancels them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/date.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/clock.h"
#include "core/concurrency/executor.h"
#include "core/updates/appcast.h"
#include "platform/http_client.h"
#include "platform/user_defaults.h"

namespace lopewell {

namespace UpdaterKey {
inline constexpr std::string_view automaticallyChecks = "updates.automaticallyChecks";  // bool, absent: true
inline constexpr std::string_view lastCheckDate = "updates.lastCheckDate";              // whole seconds since 2001-01-01 UTC
}  // namespace UpdaterKey

struct UpToDate {
    std::string currentVersion;
    bool operator==(const UpToDate&) const = default;
};
struct UpdateAvailable {
    AppcastItem release;  // its pageUrl is http(s) or empty
    std::string currentVersion;
    bool operator==(const UpdateAvailable&) const = default;
};
struct UpdateCheckFailed {
    std::string reason;  // a sentence for the user
    bool operator==(const UpdateCheckFailed&) const = default;
};
using UpdateCheckOutcome = std::variant<UpToDate, UpdateAvailable, UpdateCheckFailed>;

// The whole check, off the main thread: fetch, read, compare. Never throws.
UpdateCheckOutcome checkFeed(const HttpClient& client, std::string_view feedUrl, std::string_view currentVersion, std::stop_token token);

// Who asked: the screen pops up the answer to the user's own check, while a scheduled one
// speaks only when there is a newer release.
enum class CheckTrigger { user, schedule };

class AppUpdater {
public:
    static constexpr Duration checkInterval = seconds(24 * 60 * 60);
    // Lets launch finish before the network is touched.
    static constexpr Duration firstCheckDelay = seconds(60);
    static constexpr Duration retryAfterFailure = seconds(60 * 60);

    using WallClock = std::function<Date()>;

    // Starts the schedule at once when automatic checks are on. `clock` times the waits (it
    // keeps counting through sleep); `wallClock` stamps and reads the last check date.
    AppUpdater(
        Executor& executor, Clock& clock, std::shared_ptr<UserDefaults> defaults, std::string feedUrl, std::string currentVersion,
        HttpRequestOptions http = defaultHttpOptions(), WallClock wallClock = [] { return std::chrono::system_clock::now(); });
    ~AppUpdater();
    AppUpdater(const AppUpdater&) = delete;
    AppUpdater& operator=(const AppUpdater&) = delete;

    static HttpRequestOptions defaultHttpOptions();

    // False while a check runs.
    bool canCheckForUpdates() const { return !m_check.isRunning(); }

    bool automaticallyChecksForUpdates() const { return m_automaticallyChecks; }
    // Takes effect at once: turning it on arms the schedule, off cancels the pending wait.
    void setAutomaticallyChecksForUpdates(bool enabled);

    std::optional<Date> lastUpdateCheckDate() const { return m_lastCheckDate; }

    // Ignored while a check runs (the button is disabled then).
    void checkForUpdates();

    // The last check's answer in this session; absent before the first one ends.
    const std::optional<UpdateCheckOutcome>& lastOutcome() const { return m_lastOutcome; }
    CheckTrigger lastCheckTrigger() const { return m_lastTrigger; }

    // "Never", or the last check date as "10 Dec 2026 at 14:05" in local time.
    std::string lastCheckDescription() const;

    const std::string& feedUrl() const { return m_feedUrl; }
    const std::string& currentVersion() const { return m_currentVersion; }

    ChangeObservers& observers() { return m_observers; }

private:
    void startCheck(CheckTrigger trigger);
    void finishCheck(UpdateCheckOutcome outcome, CheckTrigger trigger);
    void armSchedule();
    Duration delayUntilNextCheck() const;

    Executor& m_executor;
    Clock& m_clock;
    std::shared_ptr<UserDefaults> m_defaults;
    const std::string m_feedUrl;
    const std::string m_currentVersion;
    const HttpClient m_client;
    const WallClock m_wallClock;

    bool m_automaticallyChecks = true;
    std::optional<Date> m_lastCheckDate;
    std::optional<UpdateCheckOutcome> m_lastOutcome;
    CheckTrigger m_lastTrigger = CheckTrigger::user;
    ChangeObservers m_observers;

    // Last: cancelled and joined before anything they report to goes away.
    BackgroundTask<bool> m_wait;
    BackgroundTask<UpdateCheckOutcome> m_check;
};

// "10 Dec 2026 at 14:05": the date at `utcOffset` from UTC, in the same words in every locale.
std::string formatCheckDate(Date date, std::chrono::seconds utcOffset);

// The texts of the check's answer, as the Updates pane and the alert after "Check for Updates…"
// show them.
namespace UpdateCheckText {
inline constexpr std::string_view upToDate = "You're up to date.";
inline constexpr std::string_view updateAvailable = "A new version of Lopewell is available.";
inline constexpr std::string_view checkFailed = "Couldn't check for updates.";
inline constexpr std::string_view viewReleaseButton = "View Release";
}  // namespace UpdateCheckText

std::string_view outcomeHeadline(const UpdateCheckOutcome& outcome);
// "Lopewell 0.1.0 is the newest version.", "Lopewell 1.2 is available — you have 0.1.0.", or
// the failure's reason.
std::string outcomeDetail(const UpdateCheckOutcome& outcome);
// The page "View Release" opens; absent unless a newer release names one.
std::optional<std::string> releasePageUrl(const UpdateCheckOutcome& outcome);

}  // namespace lopewell
