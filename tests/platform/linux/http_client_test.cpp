#include "platform/http_client.h"

#include "tests/platform/linux/loopback_http_server.h"

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using testing_support::CannedReply;
using testing_support::LoopbackHttpServer;

// Short enough that the stall case ends quickly, long enough for a loaded CI machine.
HttpRequestOptions quickOptions()
{
    HttpRequestOptions options;
    options.connectTimeout = seconds(5);
    options.totalTimeout = seconds(1);
    options.maxBodyBytes = 1024;
    options.maxRedirects = 2;
    options.userAgent = "Lopewell-Test/1";
    return options;
}

TEST(HttpClient, FetchesABodyFromALoopbackServer)
{
    LoopbackHttpServer server(
        [](const std::string& path) { return path == "/feed" ? CannedReply::ok("<rss/>") : CannedReply::status(404, "Not Found"); });
    ASSERT_NE(server.port(), 0);

    ErrorOr<HttpResponse> direct = HttpClient(quickOptions()).get(server.url("/feed"));
    ASSERT_TRUE(direct) << direct.error().message;
    EXPECT_EQ(direct.value().status, 200);
    EXPECT_EQ(direct.value().body, "<rss/>");
    EXPECT_NE(server.requests().at(0).find("User-Agent: Lopewell-Test/1\r\n"), std::string::npos);
}

TEST(HttpClient, ChecksEveryRedirectHopAndCountsThem)
{
    std::atomic<int> port = 0;
    LoopbackHttpServer server([&port](const std::string& path) {
        if (path == "/a")
            return CannedReply::redirect("/b");
        if (path == "/b")
            return CannedReply::redirect("http://localhost:" + std::to_string(port.load()) + "/feed");
        if (path == "/loop")
            return CannedReply::redirect("/loop");
        if (path == "/away")
            return CannedReply::redirect("http://example.org/feed");
        return path == "/feed" ? CannedReply::ok("body") : CannedReply::status(404, "Not Found");
    });
    port = server.port();
    const HttpClient client(quickOptions());

    ErrorOr<HttpResponse> followed = client.get(server.url("/a"));
    ASSERT_TRUE(followed) << followed.error().message;
    EXPECT_EQ(followed.value().body, "body");
    EXPECT_EQ(followed.value().url, "http://localhost:" + std::to_string(server.port()) + "/feed");

    ErrorOr<HttpResponse> looping = client.get(server.url("/loop"));
    ASSERT_FALSE(looping);
    EXPECT_EQ(looping.error().code, ELOOP);
    const size_t requestsBefore = server.requestCount();

    // A hop to plain HTTP on another host is refused before anything is sent there.
    ErrorOr<HttpResponse> away = client.get(server.url("/away"));
    ASSERT_FALSE(away);
    EXPECT_EQ(away.error().code, EPERM);
    EXPECT_EQ(server.requestCount(), requestsBefore + 1);
}

TEST(HttpClient, RefusesAddressesThatAreNotHttpsOrLoopback)
{
    struct Case {
        std::string_view url;
        int code;
    };
    const Case cases[] = {
        { "http://example.org/appcast.xml", EPERM },
        { "http://127.0.0.1@example.org/appcast.xml", EPERM },
        { "http://127.0.0.1.example.org/", EPERM },
        { "http://10.0.0.1/", EPERM },
        { "file:///etc/passwd", EINVAL },
        { "ftp://127.0.0.1/feed", EINVAL },
        { "gopher://localhost/", EINVAL },
        { "not a url", EINVAL },
        { "", EINVAL },
    };
    const HttpClient client(quickOptions());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        ErrorOr<HttpResponse> response = client.get(c.url);
        ASSERT_FALSE(response);
        EXPECT_EQ(response.error().code, c.code) << response.error().message;
        EXPECT_FALSE(response.error().message.empty());
    }
}

TEST(HttpClient, ReportsServerFailuresAsErrorsThatSayWhy)
{
    std::string big(2048, 'x');
    LoopbackHttpServer server([&big](const std::string& path) {
        if (path == "/missing")
            return CannedReply::status(404, "Not Found");
        if (path == "/big")
            return CannedReply::ok(big);
        if (path == "/big-unannounced")  // no Content-Length: only the running count can stop it
            return CannedReply { "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big };
        if (path == "/garbage")
            return CannedReply { "\x01\x02 this is not HTTP\r\n\r\n" };
        return CannedReply::stalled();
    });
    struct Case {
        std::string path;
        int code;
        std::string_view messagePart;
    };
    const Case cases[] = {
        { "/missing", EBADMSG, "HTTP status 404" },
        { "/big", EFBIG, "larger than 1 KB" },
        { "/big-unannounced", EFBIG, "larger than 1 KB" },
        { "/garbage", EIO, "127.0.0.1" },
        { "/stall", ETIMEDOUT, "did not respond in time" },
    };
    const HttpClient client(quickOptions());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ErrorOr<HttpResponse> response = client.get(server.url(c.path));
        ASSERT_FALSE(response);
        EXPECT_EQ(response.error().code, c.code) << response.error().message;
        EXPECT_NE(response.error().message.find(c.messagePart), std::string::npos) << response.error().message;
    }
}

TEST(HttpClient, ReportsAClosedPortAsRefused)
{
    int port = 0;
    {
        LoopbackHttpServer server([](const std::string&) { return CannedReply::status(500, "Unused"); });
        port = server.port();
    }
    ErrorOr<HttpResponse> response = HttpClient(quickOptions()).get("http://127.0.0.1:" + std::to_string(port) + "/");
    ASSERT_FALSE(response);
    EXPECT_EQ(response.error().code, ECONNREFUSED) << response.error().message;
}

TEST(HttpClient, StoppingTheTokenCancelsAStalledRequest)
{
    LoopbackHttpServer server([](const std::string&) { return CannedReply::stalled(); });
    HttpRequestOptions options = quickOptions();
    options.totalTimeout = seconds(15);  // only the stop can end it in time for the check below
    std::stop_source stop;
    std::optional<ErrorOr<HttpResponse>> result;
    std::thread request([&] { result = HttpClient(options).get(server.url("/feed"), stop.get_token()); });
    // Stop once the server holds the request, so the transfer is really in flight.
    for (int i = 0; i < 5000 && server.requestCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop.request_stop();
    request.join();
    ASSERT_TRUE(result);
    ASSERT_FALSE(*result);
    EXPECT_EQ(result->error().code, ECANCELED) << result->error().message;
}

}  // namespace
}  // namespace lopewell
