#pragma once
// In-memory controls, menu, dialogs and window for driving the core's logic as a
// user would. Plain data: tests read and set the fields directly.

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
#include "support/fake_ui.h"

namespace orvane::testing {

template <class Base>
class FakeControl : public Base {
public:
    void SetEnabled(bool e) override { enabled = e; }
    bool Enabled() const override { return enabled; }
    void SetVisible(bool v) override { visible = v; }
    bool Visible() const override { return visible; }
    void SetFocus() override { ++focused; }
    void SetGeometry(const ui::Rect& r) override { geometry = r; }

    bool enabled = true;
    bool visible = true;
    int focused = 0;
    ui::Rect geometry;
};

class FakeTextBox : public FakeControl<ui::TextBox> {
public:
    std::string Text() const override { return text; }
    void SetText(std::string_view t) override {
        text = t;
        selection = {};
        caret = text.size();
    }
    void AppendText(std::string_view t) override {
        text += t;
        caret = text.size();
        ++appends;
    }
    ui::TextSelection Selection() const override { return selection; }
    void SelectAll() override { selection = {0, text.size()}; }
    std::string CaretLine() const override {
        std::size_t start = text.rfind('\n', caret == 0 ? 0 : caret - 1);
        start = (start == std::string::npos || caret == 0) ? 0 : start + 1;
        std::size_t end = text.find_first_of("\r\n", start);
        return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    // Puts the caret at the start of the line holding `fragment`.
    bool ClickOn(std::string_view fragment) {
        std::size_t at = text.find(fragment);
        if (at == std::string::npos) return false;
        caret = at;
        selection = {at, at};
        return true;
    }

    std::string text;
    ui::TextSelection selection;
    std::size_t caret = 0;
    int appends = 0;
};

class FakeListBox : public FakeControl<ui::ComboBox> {
public:
    void Clear() override {
        items.clear();
        current = -1;
    }
    void AddItem(std::string_view t) override { items.emplace_back(t); }
    int Count() const override { return static_cast<int>(items.size()); }
    std::string ItemText(int i) const override {
        return i >= 0 && i < Count() ? items[static_cast<std::size_t>(i)] : std::string();
    }
    int CurrentIndex() const override { return current; }
    void SetCurrentIndex(int i) override { current = i >= 0 && i < Count() ? i : -1; }
    std::string EditText() const override { return current >= 0 ? ItemText(current) : edit; }
    void SetEditText(std::string_view t) override {
        current = -1;
        edit = t;
    }
    bool Select(std::string_view t) {
        for (int i = 0; i < Count(); ++i) {
            if (items[static_cast<std::size_t>(i)] == t) {
                current = i;
                return true;
            }
        }
        return false;
    }

    std::vector<std::string> items;
    int current = -1;
    std::string edit;
};

class FakeButton : public FakeControl<ui::Button> {
public:
    void SetCaption(std::string_view c) override { caption = c; }
    std::string Caption() const override { return caption; }
    std::string caption;
};

class FakeLabel : public FakeControl<ui::Label> {
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

class FakePoster : public ui::CommandPoster {
public:
    void PostCommand(int id, intptr_t param) override { posted.emplace_back(id, param); }
    std::deque<std::pair<int, intptr_t>> posted;
};

class FakeFileDialogs : public ui::FileDialogs {
public:
    std::optional<std::string> OpenFile(const ui::FileDialogRequest& r) override {
        requests.push_back(r);
        return Next();
    }
    std::optional<std::string> SaveFile(const ui::FileDialogRequest& r) override {
        requests.push_back(r);
        return Next();
    }
    std::optional<std::string> Next() {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<ui::FileDialogRequest> requests;
    std::deque<std::optional<std::string>> answers;
};

class FakeFrame : public ui::WindowFrame {
public:
    void SetTitle(const std::string& t) override { title = t; }
    ui::Size OuterSize() const override { return outer; }
    ui::Size ClientSize() const override { return client; }
    ui::Size ScreenSize() const override { return screen; }
    std::string title;
    ui::Size outer{808, 608};
    ui::Size client{792, 550};
    ui::Size screen{1920, 1080};
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
    FakePoster poster;
    FakeMessageBoxes boxes;
    FakeFileDialogs files;
    FakeWaitCursor cursor;
    FakeFrame frame;
    FakeModalDialogs dialogs;
};

}  // namespace orvane::testing
