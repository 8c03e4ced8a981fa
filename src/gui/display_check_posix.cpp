#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "gui/display_check.h"
#include "platform/text_format.h"

namespace orvane::gui {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A full connection, so that a server that turns this user away counts as
// unreachable too.
bool XReachable(const std::string& display) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

bool WaylandReachable(const std::string& display) {
    std::string path = display;
    if (path.front() != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty()) return false;
        path = runtime + "/" + display;
    }
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::optional<std::string> DisplayProblem() {
    const std::string platform = Env("QT_QPA_PLATFORM");
    const bool x11 = platform.empty() || platform.find("xcb") != std::string::npos;
    const bool wayland = platform.empty() || platform.find("wayland") != std::string::npos;
    if (!x11 && !wayland) return std::nullopt;

    const std::string xDisplay = x11 ? Env("DISPLAY") : "";
    const std::string wDisplay = wayland ? Env("WAYLAND_DISPLAY") : "";
    if (xDisplay.empty() && wDisplay.empty()) return kNoDisplay;
    if (!xDisplay.empty() && XReachable(xDisplay)) return std::nullopt;
    if (!wDisplay.empty() && WaylandReachable(wDisplay)) return std::nullopt;
    return platform::Format(kDisplayUnreachable, (xDisplay.empty() ? wDisplay : xDisplay).c_str());
}

}  // namespace orvane::gui
