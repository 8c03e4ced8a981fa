#pragma once
// Whether the window system can be reached, asked before Qt is started: Qt
// ends the process with an abort when it finds no display.

#include <optional>
#include <string>

namespace orvane::gui {

inline constexpr char kNoDisplay[] =
    "there is no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set).";
inline constexpr char kDisplayUnreachable[] = "the display %s cannot be reached.";
inline constexpr char kDisplayHint[] =
    "Start it from a desktop session, or use orvane2-cli on a terminal.";
// The exit status then; ./dev run starts the terminal console on it.
inline constexpr int kNoDisplayStatus = 1;

// Nothing when a window can be opened, otherwise what is wrong. Platforms
// other than X11 and Wayland (offscreen, vnc, ...) are left to Qt.
std::optional<std::string> DisplayProblem();

}  // namespace orvane::gui
