#include "cli/terminal_lan_find.h"

#include "cli/visible_text.h"

namespace orvane::cli {
namespace {

class RowPrinter final : public ui::LanFindDialogView {
  public:
    explicit RowPrinter(StandardOutput& out) : out_(out) {}
    void AddColumn(std::string_view, int) override {}
    void SetFullRowSelect(bool) override {}
    int AddRow(std::string_view address, std::string_view text, int data) override {
        out_.Write(MadeVisible(address) + '\t' + MadeVisible(text) + '\n');
        data_.push_back(data);
        return static_cast<int>(data_.size()) - 1;
    }
    int RowCount() const override { return static_cast<int>(data_.size()); }
    int RowData(int row) const override {
        return row >= 0 && row < RowCount() ? data_[static_cast<std::size_t>(row)] : -1;
    }
    int SelectedRow() const override { return -1; }
    void SelectRow(int) override {}
    ui::Button& OkButton() override { return ok_; }
    ui::WaitCursor& Cursor() override { return cursor_; }
    void Close(int result) override { result_ = result; }
    int result_ = 0;

  private:
    StandardOutput& out_;
    std::vector<int> data_;
    ui::MemoryButton ok_;
    ui::NullWaitCursor cursor_;
};

}  // namespace

int TerminalLanFind::RunLanFindDialog(ui::LanFindDialogEvents& events) {
    RowPrinter view(out_);
    events.OnStart(view);
    rows_ = view.RowCount();
    events.OnCancel();
    return view.result_;
}

}  // namespace orvane::cli
