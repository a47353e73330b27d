#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TempDir;

class ChildProcessTest : public ::testing::Test {
protected:
    // A small shell script as the program to run.
    fs::path script(const std::string& name, const std::string& body)
    {
        const fs::path path = m_dir / name;
        testing::writeFile(path, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    ChildResult run(ChildCommand command)
    {
        ErrorOr<ChildResult> result = runChildProcess(command);
        EXPECT_TRUE(result) << command.executable;
        return result ? std::move(result.value()) : ChildResult {};
    }

    TempDir m_dir;
};

TEST_F(ChildProcessTest, ReportsTheExitStatusAndPassesArgumentsUntouched)
{
    struct Case {
        const char* body;
        int exitCode;
    };
    for (const Case& c : { Case { "exit 0", 0 }, Case { "exit 3", 3 }, Case { "exit 255", 255 }, Case { "false", 1 } }) {
        const ChildResult result = run({ script("exit", c.body) });
        EXPECT_EQ(result.exit, (ChildExit { c.exitCode, 0, false })) << c.body;
        EXPECT_EQ(result.exit.succeeded(), c.exitCode == 0);
    }

    // No shell between us and the program: nothing in an argument is expanded or split.
    const ChildResult echoed = run({ script("args", R"(printf '[%s]\n' "$@")"), { "two words", "$HOME", "a;b", "'q'", "" } });
    EXPECT_EQ(echoed.out, "[two words]\n[$HOME]\n[a;b]\n['q']\n[]\n");
    EXPECT_EQ(echoed.err, "");
}

TEST_F(ChildProcessTest, ADeathBySignalIsReportedAsTheSignal)
{
    const ChildResult result = run({ script("die", "echo before; kill -TERM $$; echo after") });
    EXPECT_EQ(result.exit, (ChildExit { -1, SIGTERM, false }));
    EXPECT_FALSE(result.exit.succeeded());
    EXPECT_EQ(result.out, "before\n");
}

TEST_F(ChildProcessTest, AChildStillRunningAtItsTimeLimitIsKilledWithWhatItStarted)
{
    ChildCommand command { script("slow", "echo started; sleep 30; echo finished") };
    command.timeLimit = 200ms;
    const ChildResult result = run(command);
    EXPECT_EQ(result.exit, (ChildExit { -1, SIGKILL, true }));
    EXPECT_EQ(result.out, "started\n");
}

TEST_F(ChildProcessTest, AGrandchildHoldingThePipesDoesNotHoldTheResultPastTheLimit)
{
    ChildCommand command { script("daemon", "sleep 30 & echo parent done") };
    command.timeLimit = 300ms;
    const ChildResult result = run(command);
    // The child itself ended well; only the streams were cut off.
    EXPECT_EQ(result.exit, (ChildExit { 0, 0, false }));
    EXPECT_EQ(result.out, "parent done\n");
}

TEST_F(ChildProcessTest, BothStreamsAreDrainedTogether)
{
    // A whole MiB on stderr before stdout: reading one stream to its end first would leave the
    // child blocked on a full stderr pipe.
    const ChildResult result = run({ script("loud", "head -c 1048576 /dev/zero >&2; head -c 1048576 /dev/zero | tr '\\0' o") });
    EXPECT_EQ(result.exit, (ChildExit { 0, 0, false }));
    EXPECT_EQ(result.err, std::string(1 << 20, '\0'));
    EXPECT_EQ(result.out, std::string(1 << 20, 'o'));
    EXPECT_FALSE(result.outTruncated || result.errTruncated);

    // Input is fed while output is taken: cat echoes 2 MiB, far more than a pipe holds.
    std::string input(2 << 20, 'i');
    for (size_t i = 0; i < input.size(); i += 4097)
        input[i] = char('a' + i % 26);
    ChildCommand cat { "/bin/cat" };
    cat.input = input;
    const ChildResult echoed = run(cat);
    EXPECT_EQ(echoed.exit, (ChildExit { 0, 0, false }));
    EXPECT_TRUE(echoed.out == input) << echoed.out.size() << " bytes came back";
}

TEST_F(ChildProcessTest, OutputPastTheCapIsDroppedAndSaidSo)
{
    ChildCommand command { script("chatty", "head -c 1048576 /dev/zero; echo short >&2") };
    command.outputLimit = 1000;
    const ChildResult result = run(command);
    // Drained to the end, so the child never dies of a closed pipe.
    EXPECT_EQ(result.exit, (ChildExit { 0, 0, false }));
    EXPECT_EQ(result.out, std::string(1000, '\0'));
    EXPECT_TRUE(result.outTruncated);
    EXPECT_EQ(result.err, "short\n");
    EXPECT_FALSE(result.errTruncated);
    // A child that never stops writing is still stopped by its time limit.
    ChildCommand flood { "/usr/bin/yes" };
    flood.outputLimit = 1000;
    flood.timeLimit = 200ms;
    const ChildResult flooded = run(flood);
    EXPECT_EQ(flooded.exit, (ChildExit { -1, SIGKILL, true }));
    EXPECT_EQ(flooded.out.size(), 1000u);
    EXPECT_TRUE(flooded.outTruncated);
}

TEST_F(ChildProcessTest, TheEnvironmentIsInheritedOrExactlyTheOneGiven)
{
    ::setenv("LOPEWELL_CHILD_TEST", "inherited value", 1);
    const ChildResult inherited = run({ "/usr/bin/env" });
    EXPECT_NE(inherited.out.find("\nLOPEWELL_CHILD_TEST=inherited value\n"), std::string::npos);
    ::unsetenv("LOPEWELL_CHILD_TEST");

    ChildCommand command { "/usr/bin/env" };
    command.environment = { { "A=1", "B=two words", "EMPTY=" } };
    EXPECT_EQ(run(command).out, "A=1\nB=two words\nEMPTY=\n");
    command.environment = std::vector<std::string> {};
    EXPECT_EQ(run(command).out, "");
}

TEST_F(ChildProcessTest, InputReachesTheChildAndAnEarlyCloseIsNotFatalToUs)
{
    ChildCommand command { script("read", "read line; echo \"got $line\"; read more || echo eof") };
    command.input = "hello\n";
    EXPECT_EQ(run(command).out, "got hello\neof\n");
    command.input.clear();
    EXPECT_EQ(run(command).out, "got \neof\n") << "no input is an empty stream, not the test's terminal";

    // The child stops reading at once; the unread megabyte must cost us an EPIPE, not a SIGPIPE.
    ChildCommand closer { script("closer", "exec 0<&-; echo closed") };
    closer.input = std::string(1 << 20, 'x');
    const ChildResult result = run(closer);
    EXPECT_EQ(result.exit, (ChildExit { 0, 0, false }));
    EXPECT_EQ(result.out, "closed\n");
}

TEST_F(ChildProcessTest, OnlyTheStandardStreamsAreHandedToTheChild)
{
    EXPECT_EQ(run({ "/bin/ls", { "/proc/self/fd" } }).out, "0\n1\n2\n3\n");  // 3: ls reading the folder
}

TEST_F(ChildProcessTest, AProgramThatCannotBeStartedIsAnErrorValue)
{
    const fs::path plain = m_dir / "not-executable";
    testing::writeFile(plain, "#!/bin/sh\necho hi\n");
    ::chmod(plain.c_str(), 0644);
    struct Case {
        fs::path executable;
        int code;
    };
    for (const Case& c : { Case { m_dir / "missing", ENOENT }, Case { plain, EACCES }, Case { m_dir.path(), EACCES },
             Case { "bin/sh", EINVAL }, Case { "", EINVAL } }) {
        ErrorOr<ChildResult> result = runChildProcess({ c.executable });
        ASSERT_FALSE(result) << c.executable;
        EXPECT_EQ(result.error().code, c.code) << c.executable;
        EXPECT_NE(result.error().message.find(c.executable.string()), std::string::npos) << result.error().message;
    }
}

TEST_F(ChildProcessTest, ARunningChildCanBeWatchedSignalledAndIsNeverLeftBehind)
{
    ErrorOr<ChildProcess> started = ChildProcess::start({ script("ready", "echo ready; echo warming >&2; exec sleep 30") });
    ASSERT_TRUE(started);
    ChildProcess& child = started.value();
    while (child.output(ChildStream::out) != "ready\n" || child.output(ChildStream::err) != "warming\n")
        ASSERT_TRUE(child.pump(10s)) << "ended before it said it was ready";
    ASSERT_TRUE(child.sendSignal(SIGTERM));
    const ChildResult result = child.finish();
    EXPECT_EQ(result.exit, (ChildExit { -1, SIGTERM, false }));
    EXPECT_EQ(result.out, "ready\n");
    EXPECT_FALSE(child.sendSignal(SIGTERM)) << "a reaped child's pid may belong to someone else now";

    int pid = 0;
    {
        ErrorOr<ChildProcess> abandoned = ChildProcess::start({ "/bin/sleep", { "30" } });
        ASSERT_TRUE(abandoned);
        pid = abandoned.value().pid();
        ASSERT_GT(pid, 0);
    }
    EXPECT_NE(::kill(pid, 0), 0) << "killed and reaped when dropped";
    EXPECT_EQ(errno, ESRCH);
}

}  // namespace
}  // namespace lopewell
