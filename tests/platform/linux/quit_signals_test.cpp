#include "platform/quit_signals.h"

#include <csignal>
#include <gtest/gtest.h>
#include <initializer_list>
#include <poll.h>
#include <unistd.h>

namespace lopewell {
namespace {

TEST(QuitSignals, EachSignalMakesTheWatchedSocketReadable)
{
    const int fd = watchQuitSignals();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(watchQuitSignals(), fd);  // installed once
    for (int signal : { SIGHUP, SIGTERM, SIGINT }) {
        SCOPED_TRACE(signal);
        ASSERT_EQ(::raise(signal), 0);  // would end this test process without the handler
        pollfd readable { fd, POLLIN, 0 };
        ASSERT_EQ(::poll(&readable, 1, 5000), 1);
        char byte = 0;
        ASSERT_EQ(::read(fd, &byte, 1), 1);
    }
}

}  // namespace
}  // namespace lopewell
