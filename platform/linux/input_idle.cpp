#include "platform/input_idle.h"

#include <systemd/sd-bus.h>

#include <dlfcn.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace lopewell {

std::optional<double> firstIdleAnswer(std::span<const IdleProbe> probes)
{
    for (const IdleProbe& probe : probes) {
        if (!probe)
            continue;
        std::optional<double> seconds = probe();
        if (seconds && std::isfinite(*seconds) && *seconds >= 0)
            return seconds;
    }
    return std::nullopt;
}

std::optional<double> secondsSinceLastInput()
{
    static const std::array<IdleProbe, 3> probes {
        IdleProbe(InputIdle::gnomeIdleMonitorSeconds),
        IdleProbe(InputIdle::screenSaverServiceSeconds),
        IdleProbe(InputIdle::x11ScreenSaverSeconds),
    };
    return firstIdleAnswer(probes);
}

namespace InputIdle {

namespace {

// The idle check runs every 15 s and the controller joins it on stop: a bus that does not
// answer must cost little.
constexpr std::chrono::milliseconds busTimeout(250);

struct BusQuery {
    const char* destination;
    const char* path;
    const char* interface;
    const char* member;
    char replyType;  // 't' (uint64) or 'u' (uint32), in milliseconds
};

constexpr BusQuery gnomeIdleMonitor {
    "org.gnome.Mutter.IdleMonitor",
    "/org/gnome/Mutter/IdleMonitor/Core",
    "org.gnome.Mutter.IdleMonitor",
    "GetIdletime",
    't',
};
constexpr BusQuery screenSaverService {
    "org.freedesktop.ScreenSaver",
    "/org/freedesktop/ScreenSaver",
    "org.freedesktop.ScreenSaver",
    "GetSessionIdleTime",
    'u',
};

struct PendingReply {
    const BusQuery* query = nullptr;
    bool done = false;
    std::optional<double> seconds;
};

int onReply(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto& reply = *static_cast<PendingReply*>(userdata);
    reply.done = true;
    if (sd_bus_message_is_method_error(message, nullptr))
        return 0;
    if (reply.query->replyType == 't') {
        uint64_t milliseconds = 0;
        if (sd_bus_message_read(message, "t", &milliseconds) > 0)
            reply.seconds = double(milliseconds) / 1000.0;
    } else {
        uint32_t milliseconds = 0;
        if (sd_bus_message_read(message, "u", &milliseconds) > 0)
            reply.seconds = double(milliseconds) / 1000.0;
    }
    return 0;
}

// sd_bus_call() waits without limit for the connection to come up; an asynchronous call
// driven against our own deadline bounds the whole exchange, handshake included.
std::optional<double> ask(sd_bus* bus, const BusQuery& query)
{
    sd_bus_message* request = nullptr;
    if (sd_bus_message_new_method_call(bus, &request, query.destination, query.path, query.interface, query.member) < 0)
        return std::nullopt;
    PendingReply reply;
    reply.query = &query;
    sd_bus_slot* slot = nullptr;
    const uint64_t timeoutUsec = uint64_t(std::chrono::microseconds(busTimeout).count());
    const int sent = sd_bus_call_async(bus, &slot, request, onReply, &reply, timeoutUsec);
    sd_bus_message_unref(request);
    if (sent < 0)
        return std::nullopt;

    const auto deadline = std::chrono::steady_clock::now() + busTimeout;
    while (!reply.done) {
        const int processed = sd_bus_process(bus, nullptr);
        if (processed < 0)
            break;
        if (processed > 0)
            continue;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || sd_bus_wait(bus, uint64_t(left.count())) < 0)
            break;
    }
    sd_bus_slot_unref(slot);  // cancels the call if it is still pending
    return reply.seconds;
}

std::optional<double> askSessionBus(const BusQuery& query)
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return std::nullopt;
    std::optional<double> seconds = ask(bus, query);
    sd_bus_close_unref(bus);
    return seconds;
}

std::optional<double> askPeer(const char* address, const BusQuery& query)
{
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0)
        return std::nullopt;
    std::optional<double> seconds;
    if (sd_bus_set_address(bus, address) >= 0 && sd_bus_start(bus) >= 0)
        seconds = ask(bus, query);
    sd_bus_close_unref(bus);
    return seconds;
}

// Just what XScreenSaverQueryInfo needs, declared by hand so that libX11 and libXss are
// loaded only on machines that have them.
struct ScreenSaverInfo {
    unsigned long window;
    int state;
    int kind;
    unsigned long tilOrSince;
    unsigned long idle;  // milliseconds
    unsigned long eventMask;
};

struct X11Functions {
    void* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(void*) = nullptr;
    unsigned long (*defaultRootWindow)(void*) = nullptr;
    int (*free)(void*) = nullptr;
    int (*queryExtension)(void*, int*, int*) = nullptr;
    ScreenSaverInfo* (*allocInfo)() = nullptr;
    int (*queryInfo)(void*, unsigned long, ScreenSaverInfo*) = nullptr;

    bool isComplete() const { return openDisplay && closeDisplay && defaultRootWindow && free && queryExtension && allocInfo && queryInfo; }
};

template <typename Function>
void bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
}

// Loaded once and never unloaded: libX11 registers handlers that must outlive any caller.
const X11Functions* x11Functions()
{
    static const X11Functions functions = [] {
        X11Functions loaded;
        void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        void* xss = x11 ? dlopen("libXss.so.1", RTLD_LAZY | RTLD_LOCAL) : nullptr;
        if (!xss)
            return loaded;
        bind(x11, "XOpenDisplay", loaded.openDisplay);
        bind(x11, "XCloseDisplay", loaded.closeDisplay);
        bind(x11, "XDefaultRootWindow", loaded.defaultRootWindow);
        bind(x11, "XFree", loaded.free);
        bind(xss, "XScreenSaverQueryExtension", loaded.queryExtension);
        bind(xss, "XScreenSaverAllocInfo", loaded.allocInfo);
        bind(xss, "XScreenSaverQueryInfo", loaded.queryInfo);
        return loaded;
    }();
    return functions.isComplete() ? &functions : nullptr;
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

bool isWaylandSession()
{
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return isSet("WAYLAND_DISPLAY") || (type && std::string_view(type) == "wayland");
}

}  // namespace

std::optional<double> gnomeIdleMonitorSeconds()
{
    return askSessionBus(gnomeIdleMonitor);
}

std::optional<double> screenSaverServiceSeconds()
{
    return askSessionBus(screenSaverService);
}

std::optional<double> gnomeIdleMonitorSecondsAt(const char* busAddress)
{
    return askPeer(busAddress, gnomeIdleMonitor);
}

std::optional<double> screenSaverServiceSecondsAt(const char* busAddress)
{
    return askPeer(busAddress, screenSaverService);
}

std::optional<double> x11ScreenSaverSeconds()
{
    if (!isSet("DISPLAY") || isWaylandSession())
        return std::nullopt;
    const X11Functions* x11 = x11Functions();
    if (!x11)
        return std::nullopt;

    // Xlib keeps process-wide state; one query at a time.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    void* display = x11->openDisplay(nullptr);
    if (!display)
        return std::nullopt;
    std::optional<double> seconds;
    int eventBase = 0;
    int errorBase = 0;
    if (x11->queryExtension(display, &eventBase, &errorBase)) {
        if (ScreenSaverInfo* info = x11->allocInfo()) {
            if (x11->queryInfo(display, x11->defaultRootWindow(display), info))
                seconds = double(info->idle) / 1000.0;
            x11->free(info);
        }
    }
    x11->closeDisplay(display);
    return seconds;
}

}  // namespace InputIdle

}  // namespace lopewell
