#include "platform/process_signal.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lopewell {
namespace {

TEST(ProcessSignal, RefusesPidsBelowOneWithoutSignalling)
{
    // Had any of these reached kill(), this test's process group, or every process it may
    // signal, would have been terminated.
    for (std::int32_t pid : { 0, -1, -2, INT32_MIN }) {
        auto sent = signalProcess(pid, terminateSignal());
        ASSERT_FALSE(sent) << pid;
        EXPECT_EQ(sent.error().code, EINVAL);
        EXPECT_NE(sent.error().message.find(std::to_string(pid)), std::string::npos) << sent.error().message;
    }
}

TEST(ProcessSignal, SignalsOneProcessAndReportsOnesThatAreGone)
{
    EXPECT_EQ(terminateSignal(), SIGTERM);
    EXPECT_EQ(killSignal(), SIGKILL);
    EXPECT_EQ(currentProcessId(), ::getpid());

    const pid_t child = ::fork();
    if (child == 0) {
        for (;;)
            ::pause();
    }
    ASSERT_GT(child, 0);
    ASSERT_TRUE(signalProcess(child, killSignal()));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    auto gone = signalProcess(child, terminateSignal());  // reaped: the pid is free
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().code, ESRCH);
}

}  // namespace
}  // namespace lopewell
