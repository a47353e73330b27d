#include "core/base/file_url.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

TEST(FileURL, EncodesBytesOutsideTheURLPathSet)
{
    const struct {
        std::string path;
        std::string url;
    } cases[] = {
        { "/", "file:///" },
        { "/home/a/Library/Caches/x.db", "file:///home/a/Library/Caches/x.db" },
        { "/a/My File.txt", "file:///a/My%20File.txt" },
        { "/a/100%/b?c#d", "file:///a/100%25/b%3Fc%23d" },
        { "/a/caf\xC3\xA9", "file:///a/caf%C3%A9" },
        { "/a/\xFF\xFEraw", "file:///a/%FF%FEraw" },
        { "/a/x+y=z;(1)@host:~_-.!$&'*,", "file:///a/x+y=z;(1)@host:~_-.!$&'*," },
        { "/a/tab\there\nline\\back", "file:///a/tab%09here%0Aline%5Cback" },
    };
    for (const auto& [path, url] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(fileURLString(path), url);
        EXPECT_EQ(pathFromFileURL(url), std::filesystem::path(path));
    }
}

TEST(FileURL, DecodesLowercaseEscapesAndTheLocalhostForm)
{
    EXPECT_EQ(pathFromFileURL("file:///a/caf%c3%a9"), std::filesystem::path("/a/caf\xC3\xA9"));
    EXPECT_EQ(pathFromFileURL("file://localhost/a/b"), std::filesystem::path("/a/b"));
    EXPECT_EQ(pathFromFileURL("FILE:///a/b"), std::filesystem::path("/a/b"));
}

TEST(FileURL, RejectsWhatIsNotAnAbsoluteLocalFileURL)
{
    const std::string_view rejected[] = {
        "",
        "/a/b",
        "http:///a/b",
        "file:/a/b",
        "file://a/b",
        "file://server/a/b",
        "file://",
        "file:///a/%",
        "file:///a/%4",
        "file:///a/%zz",
        "file:///a/%00b",
        "file:///a/b?q=1",
        "file:///a/b#frag",
        std::string_view("file:///a/\0b", 12),
    };
    for (std::string_view url : rejected) {
        SCOPED_TRACE(std::string(url));
        EXPECT_EQ(pathFromFileURL(url), std::nullopt);
    }
}

}  // namespace
}  // namespace lopewell
