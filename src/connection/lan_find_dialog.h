#pragma once
// The LAN Find Instrument dialog's behaviour: checks every found address, lists
// each with its identity or why it failed, and returns the chosen entry.

#include <vector>

#include "connection/lan_find_dialog_probe.h"
#include "transport/discovery.h"
#include "ui/lan_find_dialog.h"

namespace orvane::connection {

// The LAN reply time-out while the addresses are checked.
inline constexpr uint32_t kLanFindReplyTimeoutMs = 500;

class LanFindDialog final : public ui::LanFindDialogEvents {
  public:
    // The entries up to the first empty one (at most count) are checked, over
    // links made with options and the reply time-out above; an accepted
    // identity is written into its entry. workers: checks at once.
    LanFindDialog(transport::FoundInstrument* list, int count, transport::LinkOptions options,
                  int workers = kLanFindWorkers);

    // Checks the addresses now, on any thread, before the dialog starts; OnStart
    // then lists what was found instead of checking them itself.
    void Probe();

    void OnStart(ui::LanFindDialogView& view) override;
    void OnItemChanging() override;
    void OnDoubleClick() override;
    void OnOk() override;
    void OnCancel() override;

    // The checks of the last start, in list order.
    const std::vector<ProbeResult>& Results() const { return results_; }

  private:
    transport::FoundInstrument* list_;
    int count_;
    transport::LinkOptions options_;
    int workers_;
    ui::LanFindDialogView* view_ = nullptr;
    std::vector<ProbeResult> results_;
    bool probed_ = false;
};

}  // namespace orvane::connection
