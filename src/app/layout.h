#pragma once
// Where the main window's eight controls go for a given window size: each keeps
// its design rectangle, grows with the window in width and/or height, and is
// anchored to the top-left or to the right/bottom edge of the client area.

#include <array>

#include "ui/controls.h"
#include "ui/window_frame.h"

namespace orvane::app {

inline constexpr int kControlCount = 8;
// The window's design outer size; growth is measured from it.
inline constexpr ui::Size kDesignOuterSize{808, 608};
// The design height of the results and information panes, which are shorter
// while the script panel shows below them.
inline constexpr int kPaneHeightConsole = 514;
inline constexpr int kPaneHeightScript = 384;

constexpr int PaneHeight(bool scriptPanelShown) {
    return scriptPanelShown ? kPaneHeightScript : kPaneHeightConsole;
}

struct ControlDesign {
    int id;
    ui::Rect design;
    bool growsWidth;
    bool growsHeight;
    bool anchorRight;
    bool anchorBottom;
};

// In creation order: results pane, information pane, command line, Send, script
// list, Run/Stop, Step, Close.
const std::array<ControlDesign, kControlCount>& ControlDesigns();

// The rectangles for a window of outer size `outer` whose client area is
// `client`; paneHeight is the design height of the two panes (514 or 384).
std::array<ui::Rect, kControlCount> ComputeLayout(ui::Size outer, ui::Size client, int paneHeight,
                                                  ui::Size reference = kDesignOuterSize);

// The window may not be made smaller than half its design size.
ui::Size MinimumWindowSize(ui::Size reference = kDesignOuterSize);

}  // namespace orvane::app
