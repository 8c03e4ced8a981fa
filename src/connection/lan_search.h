#pragma once
// The Connect dialog's LAN search: both discovery methods, then the LAN Find
// Instrument dialog over what they found, and the chosen address written into
// the dialog's IP address field.

#include "connection/connect_dialog.h"
#include "connection/lan_find_dialog_probe.h"
#include "transport/discovery.h"

namespace orvane::ui {
class ConnectDialogView;
class LanFindDialogRunner;
}  // namespace orvane::ui

namespace orvane::connection {

struct LanSearchResult {
    int found = 0;           // entries the two methods listed
    int chosen = -1;         // the entry the user chose, -1 when none
    bool cancelled = false;  // the user cancelled the search: nothing was shown
};

// Searches as settings say; the instruments found are checked on their TCP port.
// The queries and the checks run under busy (none: here, the window held still).
LanSearchResult RunLanSearch(ui::ConnectDialogView& view, ui::LanFindDialogRunner& runner,
                             const transport::DiscoverySettings& settings,
                             int workers = kLanFindWorkers, ui::BusyIndicator* busy = nullptr);

// The search hook for ConnectDialog. The runner and busy must outlive the hook.
ConnectDialog::Search MakeLanSearch(ui::LanFindDialogRunner& runner,
                                    transport::DiscoverySettings settings,
                                    int workers = kLanFindWorkers,
                                    ui::BusyIndicator* busy = nullptr);

}  // namespace orvane::connection
