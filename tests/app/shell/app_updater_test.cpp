#include "app/shell/app_updater.h"

#include "core/concurrency/fake_clock.h"
#include "tests/platform/linux/loopback_http_server.h"
#include "tests/support/temp_tree.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::CannedReply;
using testing_support::LoopbackHttpServer;

Date utc(int y, unsigned m, unsigned d, int hh, int mm)
{
    using namespace std::chrono;
    return Date { sys_days(year_month_day { year(y), month(m), day(d) }) } + hours(hh) + minutes(mm);
}

std::string feedWith(std::initializer_list<std::string_view> versions)
{
    std::string items;
    for (std::string_view version : versions) {
        items += "<item><title>Lopewell " + std::string(version) + "</title><link>https://example.org/releases/" + std::string(version)
            + "</link><sparkle:version>" + std::string(version) + "</sparkle:version></item>";
    }
    return R"(<?xml version="1.0"?><rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)" + items
        + "</channel></rss>";
}

int64_t storedSeconds(Date date)
{
    return int64_t(std::llround(secondsSinceReferenceDate(date)));
}

class AppUpdaterTest : public ::testing::Test {
protected:
    const Date launchDate = utc(2026, 12, 10, 12, 0);

    void SetUp() override
    {
        m_defaults = UserDefaults::open(m_folder / "UserDefaults.json");
        ASSERT_NE(m_server.port(), 0);
    }

    void serve(CannedReply reply)
    {
        std::lock_guard lock(m_replyMutex);
        m_reply = std::move(reply);
    }

    std::unique_ptr<AppUpdater> makeUpdater(
        std::string currentVersion = "1.2", std::string feedUrl = {}, Duration totalTimeout = seconds(10))
    {
        HttpRequestOptions http = AppUpdater::defaultHttpOptions();
        http.totalTimeout = totalTimeout;
        return std::make_unique<AppUpdater>(m_executor, m_clock, m_defaults, feedUrl.empty() ? m_server.url("/appcast.xml") : feedUrl,
            std::move(currentVersion), http,
            [this] { return launchDate + std::chrono::duration_cast<Date::duration>(m_clock.now().time_since_epoch()); });
    }

    // Background results come through the executor; real I/O may take a moment, bounded here.
    bool runUntil(const std::function<bool()>& done) { return m_executor.runUntil(done, 20s); }

    bool finishCheck(AppUpdater& updater)
    {
        return runUntil([&] { return updater.canCheckForUpdates(); });
    }

    lopewell::testing::TempDir m_folder;
    std::shared_ptr<UserDefaults> m_defaults;
    ManualExecutor m_executor;
    FakeClock m_clock;
    std::mutex m_replyMutex;
    CannedReply m_reply = CannedReply::ok(feedWith({ "1.1", "1.2.0" }));
    LoopbackHttpServer m_server { [this](const std::string&) {
        std::lock_guard lock(m_replyMutex);
        return m_reply;
    } };
};

TEST_F(AppUpdaterTest, ChecksShortlyAfterTheFirstLaunchAndThenEvery24Hours)
{
    auto updater = makeUpdater("1.2");
    EXPECT_TRUE(updater->canCheckForUpdates());
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_FALSE(updater->lastUpdateCheckDate());
    EXPECT_EQ(updater->lastCheckDescription(), "Never");

    m_clock.waitForSleepers(1);
    m_clock.advance(AppUpdater::firstCheckDelay - 1s);
    EXPECT_EQ(m_clock.sleeperCount(), 1u);
    m_clock.advance(1s);
    ASSERT_TRUE(runUntil([&] { return updater->lastOutcome().has_value(); }));

    // "1.2" and the feed's "1.2.0" are the same release.
    EXPECT_EQ(updater->lastOutcome(), UpdateCheckOutcome(UpToDate { "1.2" }));
    EXPECT_EQ(updater->lastCheckTrigger(), CheckTrigger::schedule);
    EXPECT_EQ(outcomeHeadline(*updater->lastOutcome()), "You're up to date.");
    EXPECT_EQ(outcomeDetail(*updater->lastOutcome()), "Lopewell 1.2 is the newest version.");
    EXPECT_FALSE(releasePageUrl(*updater->lastOutcome()));
    const Date firstCheck = launchDate + AppUpdater::firstCheckDelay;
    EXPECT_EQ(updater->lastUpdateCheckDate(), firstCheck);
    EXPECT_EQ(m_defaults->integerForKey(UpdaterKey::lastCheckDate), storedSeconds(firstCheck));
    EXPECT_NE(updater->lastCheckDescription(), "Never");
    EXPECT_EQ(m_server.requestCount(), 1u);

    m_clock.waitForSleepers(1);
    m_clock.advance(AppUpdater::checkInterval - 1s);
    EXPECT_EQ(m_clock.sleeperCount(), 1u);
    m_clock.advance(1s);
    ASSERT_TRUE(runUntil([&] { return updater->lastUpdateCheckDate() != firstCheck && updater->canCheckForUpdates(); }));
    EXPECT_EQ(updater->lastUpdateCheckDate(), firstCheck + AppUpdater::checkInterval);
    EXPECT_EQ(m_server.requestCount(), 2u);
}

TEST_F(AppUpdaterTest, SchedulesTheFirstCheckFromThePersistedLastCheck)
{
    struct Case {
        std::string_view name;
        std::optional<Duration> lastCheckAgo;  // absent: a stored value that is not a date
        Duration expectedWait;
    };
    const Case cases[] = {
        { "checked 23 hours ago", seconds(23 * 3600), seconds(3600) },
        { "checked 3 days ago", seconds(3 * 86400), AppUpdater::firstCheckDelay },
        { "checked just under a day ago", AppUpdater::checkInterval - 10s, AppUpdater::firstCheckDelay },
        { "clock was set back 5 days", seconds(-5 * 86400), AppUpdater::checkInterval },
        { "stored value is garbage", std::nullopt, AppUpdater::firstCheckDelay },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.lastCheckAgo)
            ASSERT_TRUE(m_defaults->setInteger(UpdaterKey::lastCheckDate,
                storedSeconds(
                    launchDate + std::chrono::duration_cast<Date::duration>(m_clock.now().time_since_epoch()) - *c.lastCheckAgo)));
        else
            ASSERT_TRUE(m_defaults->setString(UpdaterKey::lastCheckDate, "yesterday"));

        auto updater = makeUpdater();
        EXPECT_EQ(updater->lastUpdateCheckDate().has_value(), c.lastCheckAgo.has_value());
        m_clock.waitForSleepers(1);
        m_clock.advance(c.expectedWait - 1s);
        EXPECT_EQ(m_clock.sleeperCount(), 1u);
        m_clock.advance(1s);
        EXPECT_EQ(m_clock.sleeperCount(), 0u);
    }
    EXPECT_EQ(m_server.requestCount(), 0u);  // the executor never ran: nothing was fetched
}

TEST_F(AppUpdaterTest, TurningAutomaticChecksOffStopsTheScheduleAndIsRemembered)
{
    auto updater = makeUpdater();
    int changes = 0;
    auto subscription = updater->observers().add([&] { ++changes; });
    m_clock.waitForSleepers(1);

    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m_clock.sleeperCount(), 0u);
    EXPECT_TRUE(m_defaults->objectExists(UpdaterKey::automaticallyChecks));
    EXPECT_FALSE(m_defaults->boolForKey(UpdaterKey::automaticallyChecks));

    m_clock.advance(seconds(3 * 86400));
    EXPECT_EQ(m_executor.runUntilIdle(), 0u);
    updater.reset();

    auto relaunched = makeUpdater();
    EXPECT_FALSE(relaunched->automaticallyChecksForUpdates());
    EXPECT_EQ(m_clock.sleeperCount(), 0u);
    relaunched->setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(m_defaults->boolForKey(UpdaterKey::automaticallyChecks));
    m_clock.waitForSleepers(1);
    m_clock.advance(AppUpdater::firstCheckDelay);
    ASSERT_TRUE(runUntil([&] { return relaunched->lastOutcome().has_value(); }));
    EXPECT_EQ(m_server.requestCount(), 1u);
}

TEST_F(AppUpdaterTest, CheckNowFindsANewerReleaseAndCannotBePressedTwice)
{
    ASSERT_TRUE(m_defaults->setBool(UpdaterKey::automaticallyChecks, false));
    serve(CannedReply::ok(feedWith({ "1.9", "1.10", "1.2" })));
    auto updater = makeUpdater("1.9");
    int changes = 0;
    auto subscription = updater->observers().add([&] { ++changes; });

    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    EXPECT_EQ(changes, 1);
    updater->checkForUpdates();  // ignored while the first runs
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(finishCheck(*updater));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(updater->lastCheckTrigger(), CheckTrigger::user);
    ASSERT_TRUE(updater->lastOutcome());
    const UpdateCheckOutcome& outcome = *updater->lastOutcome();
    ASSERT_TRUE(std::holds_alternative<UpdateAvailable>(outcome));
    EXPECT_EQ(std::get<UpdateAvailable>(outcome).release.title, "Lopewell 1.10");
    EXPECT_EQ(outcomeHeadline(outcome), "A new version of Lopewell is available.");
    EXPECT_EQ(outcomeDetail(outcome), "Lopewell 1.10 is available — you have 1.9.");
    EXPECT_EQ(releasePageUrl(outcome), "https://example.org/releases/1.10");
    EXPECT_EQ(updater->lastUpdateCheckDate(), launchDate);
    EXPECT_EQ(m_server.requestCount(), 1u);
    EXPECT_NE(m_server.requests().at(0).find("User-Agent: Lopewell/1.9\r\n"), std::string::npos);
}

TEST_F(AppUpdaterTest, AFailedCheckSaysWhyAndChangesNothingElse)
{
    ASSERT_TRUE(m_defaults->setBool(UpdaterKey::automaticallyChecks, false));
    const Date previousCheck = launchDate - 2h;
    ASSERT_TRUE(m_defaults->setInteger(UpdaterKey::lastCheckDate, storedSeconds(previousCheck)));
    int closedPort = 0;
    {
        LoopbackHttpServer closed([](const std::string&) { return CannedReply::status(500, "Unused"); });
        closedPort = closed.port();
    }

    struct Case {
        std::string_view name;
        CannedReply reply;
        std::string_view reasonPart;
        std::string feedUrl = {};
        std::string currentVersion = "1.2";
    };
    const Case cases[] = {
        { "not XML", CannedReply::ok("\x89PNG\r\n\x1a\n garbage"), "not valid XML" },
        { "an HTML page", CannedReply::ok("<html><body>Moved</body></html>", "text/html"), "not an RSS feed" },
        { "no releases", CannedReply::ok(feedWith({})), "lists no releases" },
        { "not found", CannedReply::status(404, "Not Found"), "HTTP status 404" },
        { "server stalls", CannedReply::stalled(), "did not respond in time" },
        { "nothing listening", CannedReply::ok(""), "Couldn't connect", "http://127.0.0.1:" + std::to_string(closedPort) + "/appcast.xml" },
        { "plain HTTP elsewhere", CannedReply::ok(""), "HTTPS is required", "http://example.org/appcast.xml" },
        { "running version unknown", CannedReply::ok(feedWith({ "2.0" })), "no version to compare", "", "dev" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        serve(c.reply);
        auto updater = makeUpdater(c.currentVersion, c.feedUrl, seconds(1));
        updater->checkForUpdates();
        ASSERT_TRUE(finishCheck(*updater));
        ASSERT_TRUE(updater->lastOutcome());
        const UpdateCheckOutcome& outcome = *updater->lastOutcome();
        ASSERT_TRUE(std::holds_alternative<UpdateCheckFailed>(outcome));
        EXPECT_EQ(outcomeHeadline(outcome), "Couldn't check for updates.");
        EXPECT_NE(outcomeDetail(outcome).find(c.reasonPart), std::string::npos) << outcomeDetail(outcome);
        EXPECT_EQ(updater->lastUpdateCheckDate(), previousCheck);
        EXPECT_EQ(m_defaults->integerForKey(UpdaterKey::lastCheckDate), storedSeconds(previousCheck));
        EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    }
}

TEST_F(AppUpdaterTest, AFailedAutomaticCheckIsRetriedAfterAnHour)
{
    serve(CannedReply::status(503, "Service Unavailable"));
    auto updater = makeUpdater();
    m_clock.waitForSleepers(1);
    m_clock.advance(AppUpdater::firstCheckDelay);
    ASSERT_TRUE(runUntil([&] { return updater->lastOutcome().has_value() && updater->canCheckForUpdates(); }));
    EXPECT_TRUE(std::holds_alternative<UpdateCheckFailed>(*updater->lastOutcome()));

    serve(CannedReply::ok(feedWith({ "1.2" })));
    m_clock.waitForSleepers(1);
    m_clock.advance(AppUpdater::retryAfterFailure - 1s);
    EXPECT_EQ(m_clock.sleeperCount(), 1u);
    m_clock.advance(1s);
    ASSERT_TRUE(runUntil([&] { return std::holds_alternative<UpToDate>(*updater->lastOutcome()); }));
    EXPECT_EQ(m_server.requestCount(), 2u);
}

TEST_F(AppUpdaterTest, DestroyingTheUpdaterCancelsARunningCheck)
{
    serve(CannedReply::stalled());
    auto updater = makeUpdater("1.2", {}, seconds(60));
    updater->checkForUpdates();
    ASSERT_TRUE(runUntil([&] { return m_server.requestCount() == 1; }));
    updater.reset();  // would wait out the 60 s timeout if the transfer ignored the cancel
    EXPECT_EQ(m_executor.runUntilIdle(), 0u);
}

TEST(UpdateCheckDate, IsWrittenTheSameWayInEveryLocaleAtTheGivenOffset)
{
    struct Case {
        Date date;
        std::chrono::seconds offset;
        std::string_view expected;
    };
    const Case cases[] = {
        { utc(2026, 12, 10, 14, 5), 0s, "10 Dec 2026 at 14:05" },
        { utc(2026, 12, 10, 14, 5), 3600s, "10 Dec 2026 at 15:05" },
        { utc(2026, 12, 10, 14, 5), -15h, "9 Dec 2026 at 23:05" },
        { utc(2026, 12, 31, 20, 0), 5h + 30min, "1 Jan 2027 at 01:30" },
        { utc(2024, 2, 29, 0, 0) + 59s, 0s, "29 Feb 2024 at 00:00" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatCheckDate(c.date, c.offset), c.expected);
}

}  // namespace
}  // namespace lopewell
