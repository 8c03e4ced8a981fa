#pragma once
// The rest of a main window in memory (menu, frame, dialogs) for driving the
// shell as a user would: plain data that tests read and set directly.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/fake_ui.h"
#include "ui/memory_controls.h"
#include "ui/menu_view.h"
#include "ui/modal_dialogs.h"
#include "ui/window_frame.h"

namespace orvane::testing {

class FakeMenu : public ui::MenuView {
  public:
    void EnableItem(int id, bool e) override { enabled[id] = e; }
    void CheckItem(int id, bool c) override { checked[id] = c; }
    std::map<int, bool> enabled, checked;
};

class FakeFrame : public ui::WindowFrameView {
  public:
    void SetTitle(const std::string& t) override { title = t; }
    ui::Size OuterSize() const override { return outer; }
    ui::Size ClientSize() const override { return client; }
    ui::Size ScreenSize() const override { return screen; }
    ui::Size WorkArea() const override { return workArea; }
    std::string title;
    ui::Size outer{808, 608}, client{792, 550}, screen{1920, 1080}, workArea{1920, 1050};
};

// The Connect dialog's widgets, with boxes and a cursor of its own.
class FakeConnectView : public ui::MemoryConnectView {
  public:
    ui::MessageBoxes& Boxes() override { return boxes; }
    ui::WaitCursor& Cursor() override { return cursor; }

    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
};

// Runs each modal dialog through a test-supplied script of user actions.
class FakeModalDialogs : public ui::ModalDialogs {
  public:
    int RunConnectDialog(ui::ConnectDialogEvents& events) override {
        FakeConnectView view;
        events.OnStart(view);
        ++connectRuns;
        if (auto script = Next(connectScripts)) (*script)(view, events);
        if (!view.result) events.OnCancel();
        lastConnect = view.boxes.shown;
        return view.result.value_or(ui::kDialogResultCancel);
    }
    void RunAboutDialog(const std::string& p, const std::string& v, const std::string& n) override {
        about = {p, v, n};
    }

    std::deque<std::function<void(FakeConnectView&, ui::ConnectDialogEvents&)>> connectScripts;
    int connectRuns = 0;
    std::vector<ui::MessageRequest> lastConnect;
    std::vector<std::string> about;
};

// A main window's worth of fakes, for a shell's ShellUi.
struct FakeMainWindow {
    ui::MemoryTextBox results, commandLine;
    ui::MemoryInfoPane info;
    ui::MemoryButton send, runStop, step, close;
    ui::MemoryListBox scriptList;
    FakeMenu menu;
    ui::CommandQueue poster;
    FakeBeeper beeper;
    FakeMessageBoxes boxes;
    FakeFileDialogs files;
    FakeWaitCursor cursor;
    FakeFrame frame;
    FakeModalDialogs dialogs;
};

}  // namespace orvane::testing
