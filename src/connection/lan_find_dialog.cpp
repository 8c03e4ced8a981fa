#include "connection/lan_find_dialog.h"

#include <string>

#include "connection/lan_search_texts.h"
#include "ui/controls.h"
#include "ui/wait_cursor.h"

namespace orvane::connection {
namespace {

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

LanFindDialog::LanFindDialog(transport::FoundInstrument* list, int count,
                             transport::LinkOptions options, int workers)
    : list_(list),
      count_(list ? std::min(count, transport::kFoundListSize) : 0),
      options_(options),
      workers_(workers) {
    options_.lanTimeoutMs = kLanFindReplyTimeoutMs;
}

void LanFindDialog::Probe() {
    std::vector<std::string> addresses;
    for (int i = 0; i < count_ && !list_[i].ipText.empty(); ++i)
        addresses.push_back(list_[i].ipText.str());
    results_ = ProbeAddresses(addresses, options_, workers_);
    probed_ = true;
}

void LanFindDialog::OnStart(ui::LanFindDialogView& view) {
    view_ = &view;
    view.AddColumn(kColumnIpAddress, kColumnIpAddressPercent);
    view.AddColumn(kColumnInstrument, kColumnInstrumentPercent);
    view.SetFullRowSelect(true);

    ui::WaitCursorGuard wait(view.Cursor());
    if (!probed_) Probe();
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
