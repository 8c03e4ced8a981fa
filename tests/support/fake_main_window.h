#pragma once
// The rest of a main window in memory: menu, frame, information pane, dialogs,
// for driving the shell's logic as a user would. Plain data: tests read and set
// the fields directly.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/connect_dialog.h"
#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
#include "ui/styled_text.h"
#include "support/fake_controls.h"
#include "support/fake_ui.h"
#include "ui/script_beep.h"

namespace orvane::testing {

class FakeLabel : public FakeControlBase<ui::Label> {
public:
    void SetText(std::string_view t) override { text = t; }
    std::string Text() const override { return text; }
    std::string text;
};

class FakeMenu : public ui::Menu {
public:
    void EnableItem(int id, bool e) override { enabled[id] = e; }
    void CheckItem(int id, bool c) override { checked[id] = c; }
    std::map<int, bool> enabled;
    std::map<int, bool> checked;
};

class FakeBeeper : public ui::Beeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

class FakeFrame : public ui::WindowFrame {
public:
    void SetTitle(const std::string& t) override { title = t; }
    ui::Size OuterSize() const override { return outer; }
    ui::Size ClientSize() const override { return client; }
    ui::Size ScreenSize() const override { return screen; }
    ui::Size WorkArea() const override { return workArea; }
    std::string title;
    ui::Size outer{808, 608};
    ui::Size client{792, 550};
    ui::Size screen{1920, 1080};
    ui::Size workArea{1920, 1050};
};

class FakeInfoPane : public ui::InfoPane {
public:
    void SetRuns(const std::vector<ui::StyledRun>& r) override { runs = r; }
    std::string Text() const {
        std::string t;
        for (const auto& run : runs) t += run.text;
        return t;
    }
    std::vector<ui::StyledRun> runs;
};

// The Connect dialog's widgets.
class FakeConnectView : public ui::ConnectDialogView {
public:
    ui::ListBox& InterfaceList() override { return interfaces; }
    ui::ComboBox& ComPortList() override { return ports; }
    ui::ListBox& BaudRateList() override { return bauds; }
    ui::TextBox& IpAddress() override { return ip; }
    ui::Label& PortLabel() override { return portLabel; }
    ui::Label& BaudRateLabel() override { return baudLabel; }
    ui::Button& SearchButton() override { return search; }
    ui::Button& TestButton() override { return test; }
    ui::MessageBoxes& Boxes() override { return boxes; }
    ui::WaitCursor* Cursor() override { return &cursor; }
    void Close(int r) override { result = r; }

    FakeListBox interfaces, ports, bauds;
    FakeTextBox ip;
    FakeLabel portLabel{}, baudLabel;
    FakeButton search, test;
    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
    std::optional<int> result;
};

// Runs each modal dialog through a test-supplied script of user actions.
class FakeModalDialogs : public ui::ModalDialogs {
public:
    using ConnectScript = std::function<void(FakeConnectView&, ui::ConnectDialogEvents&)>;

    int RunConnectDialog(ui::ConnectDialogEvents& events) override {
        FakeConnectView view;
        view.portLabel.text = "Com Port:";
        view.ip.visible = false;
        view.search.visible = false;
        view.test.visible = false;
        events.OnStart(view);
        ++connectRuns;
        if (!connectScripts.empty()) {
            auto script = std::move(connectScripts.front());
            connectScripts.pop_front();
            script(view, events);
        }
        if (!view.result) events.OnCancel();
        lastConnect = view.boxes.shown;
        return view.result.value_or(ui::kDialogResultCancel);
    }
    void RunAboutDialog(const std::string& p, const std::string& v, const std::string& n) override {
        about = {p, v, n};
    }

    std::deque<ConnectScript> connectScripts;
    int connectRuns = 0;
    std::vector<ui::MessageRequest> lastConnect;
    std::vector<std::string> about;
};

// A main window's worth of fakes, wired into the shell's ShellUi shape by the test.
struct FakeMainWindow {
    FakeTextBox results, commandLine;
    FakeInfoPane info;
    FakeButton send, runStop, step, close;
    FakeListBox scriptList;
    FakeMenu menu;
    FakeCommandPoster poster;
    FakeBeeper beeper;
    FakeMessageBoxes boxes;
    FakeFileDialogs files;
    FakeWaitCursor cursor;
    FakeFrame frame;
    FakeModalDialogs dialogs;
};

}  // namespace orvane::testing
