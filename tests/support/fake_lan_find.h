#pragma once
// The LAN Find Instrument dialog in memory: a list of rows, an OK button, and a
// runner that plays a test's script of user actions once the list is filled.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_main_window.h"
#include "ui/lan_find_dialog.h"

namespace orvane::testing {

class FakeLanFindView : public ui::LanFindDialogView {
  public:
    struct Row {
        std::string address;
        std::string text;
        int data = 0;
        bool operator==(const Row&) const = default;
    };
    void AddColumn(std::string_view, int) override {}
    void SetFullRowSelect(bool) override {}
    int AddRow(std::string_view address, std::string_view text, int data) override {
        rows.push_back({std::string(address), std::string(text), data});
        return static_cast<int>(rows.size()) - 1;
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    int RowData(int row) const override { return rows.at(static_cast<std::size_t>(row)).data; }
    int SelectedRow() const override { return selected; }
    void SelectRow(int row) override { selected = row >= 0 && row < RowCount() ? row : -1; }
    ui::Button& OkButton() override { return ok; }
    ui::WaitCursor& Cursor() override { return cursor; }
    void Close(int r) override { result = r; }

    void Click(ui::LanFindDialogEvents& events, int row) {  // as a user's: the change, then the row
        events.OnItemChanging();
        selected = row;
    }

    std::vector<Row> rows;
    int selected = -1;
    ui::MemoryButton ok;
    FakeWaitCursor cursor;
    std::optional<int> result;
};

class FakeLanFindRunner : public ui::LanFindDialogRunner {
  public:
    using Script = std::function<void(FakeLanFindView&, ui::LanFindDialogEvents&)>;

    int RunLanFindDialog(ui::LanFindDialogEvents& events) override {
        FakeLanFindView view;
        events.OnStart(view);
        ++runs;
        if (script) script(view, events);
        if (!view.result) events.OnCancel();
        last = view;
        return view.result.value_or(-1);
    }

    Script script;
    int runs = 0;
    std::optional<FakeLanFindView> last;
};

}  // namespace orvane::testing
