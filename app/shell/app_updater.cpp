#include "app/shell/app_updater.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/base/app_identity.h"
#include "platform/log.h"

namespace lopewell {

namespace {

constexpr std::string_view logCategory = "AppUpdater";
// Far enough to hold any real date, near enough that Date arithmetic cannot overflow.
constexpr std::int64_t latestStoredSeconds = 10'000'000'000;

std::optional<Date> storedLastCheckDate(const UserDefaults& defaults)
{
    const std::int64_t stored = defaults.integerForKey(UpdaterKey::lastCheckDate);
    if (stored <= 0 || stored > latestStoredSeconds)
        return std::nullopt;
    return referenceDate() + std::chrono::seconds(stored);
}

std::chrono::seconds localUtcOffset(Date date)
{
    const std::time_t time = std::chrono::system_clock::to_time_t(date);
    std::tm local {};
    if (!localtime_r(&time, &local))
        return std::chrono::seconds(0);
    return std::chrono::seconds(local.tm_gmtoff);
}

}  // namespace

UpdateCheckOutcome checkFeed(const HttpClient& client, std::string_view feedUrl, std::string_view currentVersion, std::stop_token token)
{
    const auto current = VersionNumber::parse(currentVersion);
    if (!current)
        return UpdateCheckFailed { "This copy of Lopewell has no version to compare (\"" + std::string(currentVersion) + "\")." };
    ErrorOr<HttpResponse> response = client.get(feedUrl, token);
    if (!response)
        return UpdateCheckFailed { response.error().message };
    ErrorOr<Appcast> appcast = parseAppcast(response.value().body);
    if (!appcast)
        return UpdateCheckFailed { appcast.error().message };
    const std::optional<AppcastItem> newest = newestItem(appcast.value().items);
    if (!newest)
        return UpdateCheckFailed { "The update feed lists no releases." };
    if (*newest->comparableVersion() > *current)
        return UpdateAvailable { *newest, std::string(currentVersion) };
    return UpToDate { std::string(currentVersion) };
}

HttpRequestOptions AppUpdater::defaultHttpOptions()
{
    HttpRequestOptions options;
    options.connectTimeout = seconds(15);
    options.totalTimeout = seconds(30);
    options.maxBodyBytes = maxAppcastBytes;
    options.maxRedirects = 5;
    return options;
}

AppUpdater::AppUpdater(Executor& executor, Clock& clock, std::shared_ptr<UserDefaults> defaults, std::string feedUrl,
    std::string currentVersion, HttpRequestOptions http, WallClock wallClock)
    : m_executor(executor)
    , m_clock(clock)
    , m_defaults(std::move(defaults))
    , m_feedUrl(std::move(feedUrl))
    , m_currentVersion(std::move(currentVersion))
    , m_client([&] {
        if (http.userAgent.empty())
            http.userAgent = std::string(applicationName) + "/" + m_currentVersion;
        return http;
    }())
    , m_wallClock(std::move(wallClock))
{
    m_automaticallyChecks
        = !m_defaults->objectExists(UpdaterKey::automaticallyChecks) || m_defaults->boolForKey(UpdaterKey::automaticallyChecks);
    m_lastCheckDate = storedLastCheckDate(*m_defaults);
    armSchedule();
}

AppUpdater::~AppUpdater() = default;

void AppUpdater::setAutomaticallyChecksForUpdates(bool enabled)
{
    assert(m_executor.isCurrent());
    if (enabled == m_automaticallyChecks)
        return;
    m_automaticallyChecks = enabled;
    if (auto stored = m_defaults->setBool(UpdaterKey::automaticallyChecks, enabled); !stored)
        log::error(logCategory, "Failed to persist automatic update checks: " + stored.error().message);
    if (enabled)
        armSchedule();
    else
        m_wait.cancel();
    m_observers.notify();
}

void AppUpdater::checkForUpdates()
{
    startCheck(CheckTrigger::user);
}

void AppUpdater::startCheck(CheckTrigger trigger)
{
    assert(m_executor.isCurrent());
    if (m_check.isRunning())
        return;
    // The schedule restarts from this check's end.
    m_wait.cancel();
    m_check = BackgroundTask<UpdateCheckOutcome>(
        m_executor,
        [client = m_client, url = m_feedUrl, version = m_currentVersion](
            std::stop_token token) { return checkFeed(client, url, version, token); },
        [this, trigger](UpdateCheckOutcome outcome) { finishCheck(std::move(outcome), trigger); });
    m_observers.notify();
}

void AppUpdater::finishCheck(UpdateCheckOutcome outcome, CheckTrigger trigger)
{
    if (!std::holds_alternative<UpdateCheckFailed>(outcome)) {
        const Date now = m_wallClock();
        m_lastCheckDate = now;
        const auto stored = static_cast<std::int64_t>(std::llround(secondsSinceReferenceDate(now)));
        if (auto result = m_defaults->setInteger(UpdaterKey::lastCheckDate, stored); !result)
            log::error(logCategory, "Failed to persist the last update check date: " + result.error().message);
    }
    m_lastOutcome = std::move(outcome);
    m_lastTrigger = trigger;
    armSchedule();
    m_observers.notify();
}

Duration AppUpdater::delayUntilNextCheck() const
{
    // After a failure the feed is overdue by definition; an hour keeps a dead network from
    // being asked every minute.
    const bool failed = m_lastOutcome && std::holds_alternative<UpdateCheckFailed>(*m_lastOutcome);
    const Duration earliest = failed ? retryAfterFailure : firstCheckDelay;
    if (!m_lastCheckDate)
        return earliest;
    // In seconds as doubles: a date far off (a clock set wrong) cannot overflow, and one in the
    // future never puts the next check further away than a full interval.
    const double untilDue = secondsSinceReferenceDate(*m_lastCheckDate) + std::chrono::duration<double>(checkInterval).count()
        - secondsSinceReferenceDate(m_wallClock());
    const double clamped
        = std::clamp(untilDue, std::chrono::duration<double>(earliest).count(), std::chrono::duration<double>(checkInterval).count());
    return seconds(clamped);
}

void AppUpdater::armSchedule()
{
    if (!m_automaticallyChecks || m_check.isRunning())
        return;
    const Duration delay = delayUntilNextCheck();
    m_wait = BackgroundTask<bool>(
        m_executor, [&clock = m_clock, delay](std::stop_token token) { return clock.sleepFor(delay, token); },
        [this](bool elapsed) {
            if (elapsed && m_automaticallyChecks)
                startCheck(CheckTrigger::schedule);
        });
}

std::string AppUpdater::lastCheckDescription() const
{
    if (!m_lastCheckDate)
        return "Never";
    return formatCheckDate(*m_lastCheckDate, localUtcOffset(*m_lastCheckDate));
}

std::string formatCheckDate(Date date, std::chrono::seconds utcOffset)
{
    using namespace std::chrono;
    constexpr const char* monthNames[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const auto local = floor<minutes>(date + utcOffset);
    const auto day = floor<days>(local);
    const year_month_day ymd { day };
    const hh_mm_ss<minutes> time { local - day };
    char text[64];
    std::snprintf(text, sizeof text, "%u %s %d at %02d:%02d", unsigned(ymd.day()), monthNames[unsigned(ymd.month()) - 1], int(ymd.year()),
        int(time.hours().count()), int(time.minutes().count()));
    return text;
}

std::string_view outcomeHeadline(const UpdateCheckOutcome& outcome)
{
    if (std::holds_alternative<UpToDate>(outcome))
        return UpdateCheckText::upToDate;
    if (std::holds_alternative<UpdateAvailable>(outcome))
        return UpdateCheckText::updateAvailable;
    return UpdateCheckText::checkFailed;
}

std::string outcomeDetail(const UpdateCheckOutcome& outcome)
{
    const std::string name(applicationName);
    if (const auto* upToDate = std::get_if<UpToDate>(&outcome))
        return name + " " + upToDate->currentVersion + " is the newest version.";
    if (const auto* available = std::get_if<UpdateAvailable>(&outcome))
        return name + " " + available->release.displayVersion() + " is available — you have " + available->currentVersion + ".";
    return std::get<UpdateCheckFailed>(outcome).reason;
}

std::optional<std::string> releasePageUrl(const UpdateCheckOutcome& outcome)
{
    const auto* available = std::get_if<UpdateAvailable>(&outcome);
    if (!available || available->release.pageUrl.empty())
        return std::nullopt;
    return available->release.pageUrl;
}

}  // namespace lopewell
