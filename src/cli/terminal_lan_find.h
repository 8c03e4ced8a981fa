#pragma once
// The LAN search on a terminal: the rows of the LAN Find Instrument dialog
// become lines "ADDRESS<tab>identity or status" on stdout.

#include <string>
#include <vector>

#include "cli/standard_output.h"
#include "cli/terminal_ui.h"
#include "ui/connect_dialog.h"
#include "ui/lan_find_dialog.h"

namespace orvane::cli {

class TerminalLanFind final : public ui::LanFindDialogRunner {
public:
    explicit TerminalLanFind(StandardOutput& out) : out_(out) {}
    int RunLanFindDialog(ui::LanFindDialogEvents& events) override;
    int rows() const { return rows_; }

private:
    StandardOutput& out_;
    int rows_ = 0;
};

// The Connect dialog the search writes its chosen address into; on a terminal
// nobody chooses, so it only holds the controls.
class HeldConnectView final : public ui::ConnectDialogView {
public:
    explicit HeldConnectView(ui::MessageBoxes& boxes) : boxes_(boxes) {}
    ui::ListBox& InterfaceList() override { return interfaces_; }
    ui::ComboBox& ComPortList() override { return ports_; }
    ui::ListBox& BaudRateList() override { return bauds_; }
    ui::TextBox& IpAddress() override { return ip_; }
    ui::Label& PortLabel() override { return portLabel_; }
    ui::Label& BaudRateLabel() override { return baudLabel_; }
    ui::Button& SearchButton() override { return search_; }
    ui::Button& TestButton() override { return test_; }
    ui::MessageBoxes& Boxes() override { return boxes_; }
    ui::WaitCursor* Cursor() override { return nullptr; }
    void Close(int) override {}

private:
    class HeldCombo final : public HeldControl<ui::ComboBox> {
    public:
        void Clear() override {}
        void AddItem(std::string_view) override {}
        int Count() const override { return 0; }
        std::string ItemText(int) const override { return {}; }
        int CurrentIndex() const override { return -1; }
        void SetCurrentIndex(int) override {}
        std::string EditText() const override { return {}; }
        void SetEditText(std::string_view) override {}
    };
    class HeldLabel final : public HeldControl<ui::Label> {
    public:
        void SetText(std::string_view t) override { text_ = t; }
        std::string Text() const override { return text_; }

    private:
        std::string text_;
    };

    ui::MessageBoxes& boxes_;
    HeldList interfaces_, bauds_;
    HeldCombo ports_;
    HeldTextBox ip_;
    HeldLabel portLabel_, baudLabel_;
    HeldButton search_, test_;
};

}  // namespace orvane::cli
