#pragma once
// What the core asks of the main window beyond its controls: queued commands,
// the menu, and the layout of the panes.

#include <cstdint>

namespace orvane::ui {

// Commands are handled in order after the current one, never inside the call.
class CommandPoster {
public:
    virtual ~CommandPoster() = default;
    virtual void PostCommand(int id, intptr_t param = 0) = 0;
};

class Menu {
public:
    virtual ~Menu() = default;
    virtual void EnableItem(int id, bool enabled) = 0;
    virtual void CheckItem(int id, bool checked) = 0;
};

// The heights of the results and information panes change with the script panel.
class PaneLayout {
public:
    virtual ~PaneLayout() = default;
    virtual void SetPaneHeight(int height) = 0;
    virtual void RelayoutControls() = 0;
};

}  // namespace orvane::ui
