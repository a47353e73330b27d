#include "app/processes/process_signals.h"

#include <csignal>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/run_program.h"

using namespace lopewell;
using lopewell::testing::spawnSleeper;

namespace {

int reap(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(ProcessSignals, PidsBelowOneAreRefusedWithoutSignalling)
{
    // If any of these reached kill(), this test process (or its group) would die with it.
    for (int32_t pid : { 0, -1, -2, INT32_MIN }) {
        for (auto signal : { ProcessSignal::quit, ProcessSignal::forceQuit }) {
            auto sent = sendSignal(signal, pid);
            ASSERT_FALSE(sent) << pid;
            EXPECT_EQ(sent.error().message, "kernel_task is the macOS kernel itself — it's not user-killable.");
        }
    }
}

TEST(ProcessSignals, QuitAndForceQuitTerminateAChildWithTheirSignals)
{
    for (auto [signal, number] : { std::pair { ProcessSignal::quit, SIGTERM }, std::pair { ProcessSignal::forceQuit, SIGKILL } }) {
        pid_t child = spawnSleeper();
        ASSERT_GT(child, 0);
        EXPECT_TRUE(sendSignal(signal, child));
        int status = reap(child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), number);
    }
}

TEST(ProcessSignals, VanishedPidIsNoLongerRunning)
{
    pid_t child = spawnSleeper();
    ASSERT_GT(child, 0);
    ASSERT_TRUE(sendSignal(ProcessSignal::forceQuit, child));
    reap(child);
    auto sent = sendSignal(ProcessSignal::quit, child);
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().code, ESRCH);
    EXPECT_EQ(sent.error().message, "PID " + std::to_string(child) + " is no longer running.");
}

TEST(ProcessSignals, AnotherUsersProcessIsNotAllowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to own a process another user cannot signal";
    const passwd* nobody = getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no 'nobody' user";
    pid_t target = spawnSleeper();  // owned by root
    ASSERT_GT(target, 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t prober = fork();
    if (prober == 0) {
        close(pipeFds[0]);
        std::string message = "setuid failed";
        if (setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0) {
            auto sent = sendSignal(ProcessSignal::forceQuit, target);
            message = sent ? "sent" : sent.error().message;
        }
        (void)!write(pipeFds[1], message.data(), message.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[256];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, size_t(got));
    close(pipeFds[0]);
    reap(prober);
    EXPECT_EQ(message, "Not allowed to force-quit PID " + std::to_string(target) + " — process is owned by a different user.");
    kill(target, SIGKILL);
    reap(target);
}

TEST(ProcessSignals, VerbsAndNumbers)
{
    EXPECT_EQ(signalVerb(ProcessSignal::quit), "quit");
    EXPECT_EQ(signalVerb(ProcessSignal::forceQuit), "force-quit");
    EXPECT_EQ(signalNumber(ProcessSignal::quit), SIGTERM);
    EXPECT_EQ(signalNumber(ProcessSignal::forceQuit), SIGKILL);
}
