#include "platform/input_idle.h"

#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;

TEST(InputIdle, TheFirstProbeWithAUsableAnswerWinsAndLaterOnesAreNotAsked)
{
    struct Case {
        std::vector<std::optional<double>> answers;
        std::optional<double> result;
        int asked;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        { { 12.5, 40.0, 7.0 }, 12.5, 1 },
        { { std::nullopt, 40.0, 7.0 }, 40.0, 2 },
        { { std::nullopt, std::nullopt, 0.0 }, 0.0, 3 },
        { { std::nullopt, std::nullopt, std::nullopt }, std::nullopt, 3 },
        // Nonsense is no answer: the next service is asked.
        { { -1.0, nan, inf }, std::nullopt, 3 },
        { { nan, 301.0, 7.0 }, 301.0, 2 },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        int asked = 0;
        std::vector<IdleProbe> probes;
        for (std::optional<double> answer : cases[i].answers)
            probes.push_back([&asked, answer] {
                ++asked;
                return answer;
            });
        EXPECT_EQ(firstIdleAnswer(probes), cases[i].result) << "case " << i;
        EXPECT_EQ(asked, cases[i].asked) << "case " << i;
    }
    EXPECT_EQ(firstIdleAnswer({}), std::nullopt);
}

// One client connection on a Unix socket, served as a D-Bus peer offering the two idle
// methods; or, when `silent`, accepted and never answered.
class IdlePeer {
public:
    IdlePeer(const fs::path& socketPath, uint64_t gnomeMilliseconds, uint32_t screenSaverMilliseconds, bool silent)
        : m_gnome(gnomeMilliseconds)
        , m_screenSaver(screenSaverMilliseconds)
    {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
        EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(m_listener, 4), 0);
        m_thread = std::thread([this, silent] { serve(silent); });
    }
    ~IdlePeer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }

private:
    static int getIdletime(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return sd_bus_reply_method_return(call, "t", static_cast<IdlePeer*>(self)->m_gnome);
    }
    static int getSessionIdleTime(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return sd_bus_reply_method_return(call, "u", static_cast<IdlePeer*>(self)->m_screenSaver);
    }

    void serve(bool silent)
    {
        static const sd_bus_vtable gnome[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("GetIdletime", "", "t", getIdletime, 0),
            SD_BUS_VTABLE_END,
        };
        static const sd_bus_vtable screenSaver[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("GetSessionIdleTime", "", "u", getSessionIdleTime, 0),
            SD_BUS_VTABLE_END,
        };
        pollfd listening { m_listener, POLLIN, 0 };
        while (!m_stop) {
            if (::poll(&listening, 1, 20) <= 0)
                continue;
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            if (silent) {
                while (!m_stop)
                    ::poll(nullptr, 0, 10);
                ::close(connection);
                return;
            }
            sd_bus* bus = nullptr;
            sd_id128_t id {};
            sd_id128_randomize(&id);
            sd_bus_new(&bus);
            sd_bus_set_fd(bus, connection, connection);
            sd_bus_set_server(bus, 1, id);
            sd_bus_add_object_vtable(bus, nullptr, "/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor", gnome, this);
            sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", screenSaver, this);
            if (sd_bus_start(bus) >= 0) {
                while (!m_stop && sd_bus_is_open(bus) > 0) {
                    if (sd_bus_process(bus, nullptr) > 0)
                        continue;
                    sd_bus_wait(bus, 20'000);
                }
            }
            sd_bus_close_unref(bus);
        }
    }

    uint64_t m_gnome;
    uint32_t m_screenSaver;
    int m_listener = -1;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

class InputIdleBusTest : public ::testing::Test {
protected:
    testing::TempDir scratch;
    const fs::path folder = scratch.path();
    std::string address = "unix:path=" + (folder / "bus").string();
};

TEST_F(InputIdleBusTest, BothServicesAnswerInMillisecondsReadAsSeconds)
{
    IdlePeer peer(folder / "bus", 301'500, 42'250, false);
    EXPECT_EQ(InputIdle::gnomeIdleMonitorSecondsAt(address.c_str()), 301.5);
    EXPECT_EQ(InputIdle::screenSaverServiceSecondsAt(address.c_str()), 42.25);
}

TEST_F(InputIdleBusTest, NoServiceOrOneThatNeverAnswersIsUnknownNotAHang)
{
    EXPECT_EQ(InputIdle::gnomeIdleMonitorSecondsAt(address.c_str()), std::nullopt);  // nobody listens
    EXPECT_EQ(InputIdle::gnomeIdleMonitorSecondsAt("not an address"), std::nullopt);

    IdlePeer silent(folder / "bus", 1, 1, true);
    EXPECT_EQ(InputIdle::screenSaverServiceSecondsAt(address.c_str()), std::nullopt);
}

TEST(InputIdle, AnX11DisplayThatIsNotThereIsUnknown)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::setenv("DISPLAY", ":987", 1);  // no such server: the library loads, the connection fails
    EXPECT_EQ(InputIdle::x11ScreenSaverSeconds(), std::nullopt);
    ::unsetenv("DISPLAY");
    EXPECT_EQ(InputIdle::x11ScreenSaverSeconds(), std::nullopt);
    if (display)
        ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace lopewell
