// The `lopewell` executable as a user runs it: exit codes, usage, status output, the readout.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/base/file_url.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

using lopewell::ChildCommand;
using lopewell::ChildStream;
using lopewell::testing::Finished;
using lopewell::testing::spawnSleeper;
using Child = lopewell::testing::RunningProgram;

// Starts `program` (lopewell unless named) with `arguments`; no DISPLAY or WAYLAND_DISPLAY
// unless `extraEnvironment` sets one.
Child start(std::vector<std::string> arguments, std::vector<std::string> extraEnvironment = {}, std::string program = LOPEWELL_EXECUTABLE)
{
    ChildCommand command(program, std::move(arguments));
    command.environment = lopewell::testing::environmentWith(extraEnvironment, { "DISPLAY", "WAYLAND_DISPLAY" });
    return Child(command);
}

Finished finish(Child& child)
{
    return child.finish();
}
Finished finish(Child&& child)
{
    return child.finish();
}

Finished runLopewell(std::vector<std::string> arguments)
{
    Child child = start(std::move(arguments));
    return finish(child);
}

}  // namespace

TEST(CommandLine, HelpAndVersionSucceedOnStandardOutput)
{
    auto help = runLopewell({ "--help" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: lopewell"), std::string::npos);
    EXPECT_NE(help.out.find("status [--interval SECONDS] [--json]"), std::string::npos);

    auto version = runLopewell({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("lopewell ") + LOPEWELL_VERSION + "\n");
}

TEST(CommandLine, UsageErrorsExitTwoWithAMessageOnStandardError)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
        bool showsUsage;
    };
    const Case cases[] = {
        { { "frobnicate" }, "lopewell: unknown command 'frobnicate'", true },
        { { "--frobnicate" }, "lopewell: unknown option '--frobnicate'", true },
        { { "status", "--verbose" }, "lopewell status: unknown option '--verbose'", true },
        { { "status", "--interval" }, "lopewell status: option '--interval' needs a value", true },
        { { "status", "extra" }, "lopewell status: unexpected argument 'extra'", true },
        { { "status", "--interval", "-3" }, "lopewell status: --interval must be a number of seconds greater than 0", false },
        { { "status", "--interval=0" }, "--interval must be a number of seconds greater than 0", false },
        { { "status", "--interval", "1s" }, "not '1s'", false },
        { { "status", "--interval", "nan" }, "not 'nan'", false },
        { { "status", "--json=yes" }, "option '--json' takes no value", true },
    };
    for (const auto& c : cases) {
        auto result = runLopewell(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_TRUE(result.out.empty()) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Usage: lopewell") != std::string::npos, c.showsUsage) << result.err;
    }
}

TEST(CommandLine, StatusJsonHasEveryFigureInRange)
{
    auto result = runLopewell({ "status", "--json", "--interval", "0.2" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto json = nlohmann::json::parse(result.out);

    const auto& cpu = json.at("cpu");
    EXPECT_EQ(cpu.at("perCore").size(), size_t(sysconf(_SC_NPROCESSORS_ONLN)));
    for (double load : cpu.at("perCore")) {
        EXPECT_GE(load, 0.0);
        EXPECT_LE(load, 1.0);
    }
    EXPECT_GE(cpu.at("overall").get<double>(), 0.0);
    EXPECT_LE(cpu.at("overall").get<double>(), 1.0);
    EXPECT_TRUE(std::regex_match(cpu.at("thermalState").get<std::string>(), std::regex("nominal|fair|serious|critical")));

    const auto& memory = json.at("memory");
    for (const char* key : { "active", "inactive", "free", "wired", "compressed", "total", "appResident", "used" })
        EXPECT_TRUE(memory.at(key).is_number_unsigned()) << key;
    EXPECT_EQ(memory.at("used").get<uint64_t>(),
        memory.at("wired").get<uint64_t>() + memory.at("active").get<uint64_t>() + memory.at("compressed").get<uint64_t>());
    EXPECT_GT(memory.at("total").get<uint64_t>(), 0u);
    EXPECT_TRUE(std::regex_match(memory.at("pressureLevel").get<std::string>(), std::regex("low|moderate|high")));

    ASSERT_TRUE(json.contains("gpu"));
    if (!json.at("gpu").is_null()) {
        EXPECT_FALSE(json.at("gpu").at("name").get<std::string>().empty());
        EXPECT_TRUE(json.at("gpu").at("maxThreadsPerThreadgroup").is_number_integer());
    }
}

TEST(CommandLine, StatusTextNamesEachSection)
{
    auto result = runLopewell({ "status", "--interval=0.1" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* heading : { "CPU      ", "  core 0  ", "Memory   ", "pressure ", "GPU      " })
        EXPECT_NE(result.out.find(heading), std::string::npos) << heading << " in\n" << result.out;
}

TEST(CommandLine, WithoutADisplayTheReadoutRunsUntilInterrupted)
{
    Child child = start({});
    const std::regex line(R"( \d{1,3}%  memory \d{1,3}%)");  // no colours into a pipe
    for (int i = 0; i < 2; ++i) {
        std::string text = child.readLine(ChildStream::out);
        EXPECT_TRUE(std::regex_match(text, line)) << "'" << text << "'";
    }
    child.signal(SIGINT);
    auto result = finish(child);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(CommandLine, WithADisplayButNoTrayTheMainWindowOpensAndASignalQuitsCleanly)
{
    const char* xvfb = "/usr/bin/Xvfb";
    if (access(xvfb, X_OK) != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    const std::string display = ":" + std::to_string(200 + getpid() % 500);
    Child server = start({ display, "-nolisten", "tcp", "-screen", "0", "1024x768x24" }, {}, xvfb);
    const std::filesystem::path socket = "/tmp/.X11-unix/X" + display.substr(1);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(socket)) << "Xvfb did not start";

    const lopewell::testing::TempDir scratch;
    const std::string home = scratch.path().string();
    Child app = start({},
        { "DISPLAY=" + display, std::string("HOME=") + home, std::string("XDG_CONFIG_HOME=") + home + "/config",
            std::string("XDG_DATA_HOME=") + home + "/data" });
    // Without a tray host the program says why and shows its main window instead.
    std::string line;
    for (int i = 0; i < 20 && line.find("No system tray is running") == std::string::npos; ++i)
        line = app.readLine(ChildStream::err);
    EXPECT_NE(line.find("showing the main window"), std::string::npos) << line;
    app.signal(SIGINT);
    auto result = finish(app);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(std::string(home) + "/config/com.vantorel.lopewellmac/UserDefaults.json"));

    server.signal(SIGTERM);
    finish(server);
}

TEST(CommandLinePs, JsonListsASpawnedChildAndTheKernelRowButNotItself)
{
    pid_t sleeper = spawnSleeper();
    ASSERT_GT(sleeper, 0);
    Child child = start({ "ps", "--json", "--interval", "0.2", "--sort", "pid" });
    const pid_t lopewellPid = child.pid();
    auto result = finish(child);
    kill(sleeper, SIGKILL);
    waitpid(sleeper, nullptr, 0);

    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = nlohmann::json::parse(result.out);
    ASSERT_TRUE(rows.is_array());
    bool sawSleeper = false, sawKernel = false;
    int previousPid = -1;
    for (const auto& row : rows) {
        for (const char* field : { "pid", "parentPID", "name", "path", "user", "cpuPercent", "memoryBytes", "threadCount" })
            EXPECT_TRUE(row.contains(field)) << field;
        const int pid = row["pid"];
        EXPECT_GT(pid, previousPid) << "sorted by pid ascending";
        previousPid = pid;
        EXPECT_NE(pid, lopewellPid) << "lopewell ps lists itself";
        if (pid == sleeper) {
            sawSleeper = true;
            EXPECT_EQ(row["parentPID"], getpid());
        }
        if (pid == 0) {
            sawKernel = true;
            EXPECT_EQ(row["name"], "kernel_task");
            EXPECT_TRUE(row["path"].is_null());
            EXPECT_GE(row["cpuPercent"].get<double>(), 0.0);
        }
    }
    EXPECT_TRUE(sawSleeper);
    EXPECT_TRUE(sawKernel);
}

TEST(CommandLinePs, TableFilterAndBadOptions)
{
    auto table = runLopewell({ "ps", "--interval", "0.1", "--filter", "  KERNEL_T " });
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_TRUE(std::regex_search(table.out, std::regex(R"(^Name +PID +User +CPU % +Memory +Threads\n)")));
    EXPECT_TRUE(std::regex_search(table.out, std::regex(R"(\nkernel_task +0 +root +\d+\.\d +Zero KB +0\n$)"))) << table.out;

    for (std::vector<std::string> arguments :
        { std::vector<std::string> { "ps", "--sort", "size" }, { "ps", "--interval", "-1" }, { "ps", "--bogus" } }) {
        auto bad = runLopewell(arguments);
        EXPECT_EQ(bad.exitCode, 2) << arguments[1];
        EXPECT_TRUE(bad.out.empty());
        EXPECT_FALSE(bad.err.empty());
    }
}

TEST(CommandLineKill, HostileAndMalformedPidsAreRefused)
{
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string err;  // the start of stderr
    };
    const std::string kernel = "kernel_task is the macOS kernel itself — it's not user-killable.\n";
    const Case cases[] = {
        { { "kill", "0" }, 1, kernel },
        { { "kill", "--", "-1" }, 1, kernel },
        { { "kill", "--force", "-1" }, 1, kernel },
        { { "kill", "-2147483648" }, 1, kernel },
        { { "kill", "2147483648" }, 2, "lopewell kill: PID must be a whole number" },
        { { "kill", "12abc" }, 2, "lopewell kill: PID must be a whole number" },
        { { "kill", "" }, 2, "lopewell kill: PID must be a whole number" },
        { { "kill" }, 2, "lopewell kill: missing PID" },
        { { "kill", "--now", "5" }, 2, "lopewell kill: unknown option '--now'" },
        { { "kill", "5", "6" }, 2, "lopewell kill: unexpected argument '6'" },
    };
    for (const auto& c : cases) {
        auto result = runLopewell(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.back();
        EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
    }
}

TEST(CommandLineKill, TerminatesAChildAndReportsOneThatIsGone)
{
    for (auto [flag, signal] : { std::pair { "", SIGTERM }, std::pair { "--force", SIGKILL } }) {
        pid_t sleeper = spawnSleeper();
        ASSERT_GT(sleeper, 0);
        std::vector<std::string> arguments = { "kill" };
        if (*flag)
            arguments.emplace_back(flag);
        arguments.push_back(std::to_string(sleeper));
        auto result = runLopewell(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        int status = 0;
        waitpid(sleeper, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);

        auto gone = runLopewell({ "kill", std::to_string(sleeper) });
        EXPECT_EQ(gone.exitCode, 1);
        EXPECT_EQ(gone.err, "PID " + std::to_string(sleeper) + " is no longer running.\n");
    }
}

// Against a scratch home, so the real Trash is never touched.
TEST(CommandLineTrash, MovesItemsAndReportsWhatStayed)
{
    lopewell::testing::TempDir dir;
    const std::filesystem::path dataHome = dir / "home/.local/share";
    std::filesystem::create_directories(dataHome);
    const std::vector<std::string> environment { "HOME=" + (dir / "home").native(), "XDG_DATA_HOME=" + dataHome.native() };
    lopewell::testing::writeFile(dir / "a.txt", "a");
    lopewell::testing::writeFile(dir / "b.txt", "b");

    auto json = finish(start({ "trash", "--json", (dir / "a.txt").native(), (dir / "missing.txt").native() }, environment));
    EXPECT_EQ(json.exitCode, 1);
    const auto parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed["movedURLs"], nlohmann::json::array({ lopewell::fileURLString(dir / "a.txt") }));
    EXPECT_EQ(parsed["movedCount"], 1);
    EXPECT_EQ(parsed["failedCount"], 1);
    EXPECT_TRUE(parsed["error"].is_string());
    EXPECT_TRUE(json.err.starts_with("Couldn't move 1 item to Trash\n" + parsed["error"].get<std::string>() + "\n\n")) << json.err;
    EXPECT_EQ(lopewell::testing::readFile(dataHome / "Trash/files/a.txt"), "a");

    auto text = finish(start({ "trash", (dir / "b.txt").native() + "/" }, environment));
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "moved   " + (dir / "b.txt").native() + "\n1 moved, 0 failed\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "b.txt"));

    for (const std::vector<std::string>& usage :
        { std::vector<std::string> { "trash" }, { "trash", "--json" }, { "trash", "--force", "x" }, { "trash", "" } }) {
        auto refused = finish(start(usage, environment));
        EXPECT_EQ(refused.exitCode, 2) << refused.err;
        EXPECT_NE(refused.err.find("lopewell trash: "), std::string::npos);
    }
}
