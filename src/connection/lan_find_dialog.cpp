#include "connection/lan_find_dialog.h"

#include <memory>
#include <string>

#include "connection/lan_search_texts.h"
#include "transport/channel.h"
#include "transport/connection_record.h"
#include "ui/controls.h"
#include "ui/wait_cursor.h"

namespace orvane::connection {
namespace {

// Sets the process-wide LAN time-out for the checks and puts it back to the
// usual 5000 ms on every way out.
class CheckTimeout {
public:
    CheckTimeout() : record_(std::make_unique<transport::ConnectionRecord>()) {
        record_->interfaceKind = transport::InterfaceKind::Lan;
        transport::ChannelSetTimeout(kLanFindReplyTimeoutMs, *record_);
    }
    ~CheckTimeout() { transport::ChannelSetTimeout(transport::kDefaultReplyTimeoutMs, *record_); }
    CheckTimeout(const CheckTimeout&) = delete;
    CheckTimeout& operator=(const CheckTimeout&) = delete;

private:
    std::unique_ptr<transport::ConnectionRecord> record_;
};

const char* StatusText(ProbeOutcome outcome) {
    switch (outcome) {
        case ProbeOutcome::NoConnection:
            return kConnectionFailed1;
        case ProbeOutcome::NoAnswer:
            return kConnectionFailed2;
        case ProbeOutcome::NotIdentity:
            return kConnectionFailed3;
        case ProbeOutcome::Identified:
            break;
    }
    return "";
}

}  // namespace

LanFindDialog::LanFindDialog(transport::FoundInstrument* list, int count, int workers)
    : list_(list),
      count_(list ? std::min(count, transport::kFoundListSize) : 0),
      workers_(workers) {}

void LanFindDialog::OnStart(ui::LanFindDialogView& view) {
    view_ = &view;
    view.AddColumn(kColumnIpAddress, kColumnIpAddressPercent);
    view.AddColumn(kColumnInstrument, kColumnInstrumentPercent);
    view.SetFullRowSelect(true);

    ui::WaitCursorGuard wait(view.Cursor());
    std::vector<std::string> addresses;
    for (int i = 0; i < count_ && !list_[i].ipText.empty(); ++i)
        addresses.push_back(list_[i].ipText.str());
    {
        CheckTimeout timeout;
        results_ = ProbeAddresses(addresses, workers_);
    }
    for (std::size_t i = 0; i < results_.size(); ++i) {
        const ProbeResult& r = results_[i];
        transport::FoundInstrument& entry = list_[i];
        if (r.outcome == ProbeOutcome::Identified) {
            entry.identity = r.reply;
            view.AddRow(entry.ipText, r.reply, static_cast<int>(i));
        } else {
            view.AddRow(entry.ipText, StatusText(r.outcome), static_cast<int>(i));
        }
    }
    if (view.RowCount() == 1) {
        view.SelectRow(0);
        OnItemChanging();
    }
}

void LanFindDialog::OnItemChanging() {
    if (view_) view_->OkButton().SetEnabled(true);
}

void LanFindDialog::OnDoubleClick() {
    // A double click on the empty part of the list chooses nothing; it does not
    // close the dialog as if cancelled.
    if (view_ && view_->SelectedRow() >= 0) OnOk();
}

void LanFindDialog::OnOk() {
    if (!view_) return;
    int row = view_->SelectedRow();
    view_->Close(row >= 0 && row < view_->RowCount() ? view_->RowData(row) : -1);
}

void LanFindDialog::OnCancel() {
    if (view_) view_->Close(-1);
}

}  // namespace orvane::connection
