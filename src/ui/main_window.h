#pragma once
// What the core asks of the main window beyond its controls: queued commands,
// the menu, and the layout of the panes.

#include <cstdint>
#include <string>

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

namespace orvane::ui {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The main window itself.
class WindowFrame {
public:
    virtual ~WindowFrame() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual Size OuterSize() const = 0;
    virtual Size ClientSize() const = 0;
    virtual Size ScreenSize() const = 0;
    // The part of the screen a window may cover: the screen less its panels.
    virtual Size WorkArea() const = 0;
};

class ConnectDialogEvents;

// Modal dialogs run by the main window; each returns when the dialog closes.
class ModalDialogs {
public:
    virtual ~ModalDialogs() = default;
    virtual int RunConnectDialog(ConnectDialogEvents& events) = 0;
    virtual void RunAboutDialog(const std::string& product, const std::string& version,
                                const std::string& notice) = 0;
};

}  // namespace orvane::ui
