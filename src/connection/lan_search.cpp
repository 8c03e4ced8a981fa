#include "connection/lan_search.h"

#include <memory>
#include <string>

#include "connection/connect_attempts.h"
#include "connection/lan_find_dialog.h"
#include "connection/lan_search_texts.h"
#include "connection/status_texts.h"
#include "platform/cancellable_clock.h"
#include "platform/text_format.h"
#include "transport/discovery.h"
#include "transport/discovery_targets.h"
#include "ui/connect_dialog.h"
#include "ui/controls.h"
#include "ui/lan_find_dialog.h"
#include "ui/message_box.h"

namespace orvane::connection {

LanSearchResult RunLanSearch(ui::ConnectDialogView& view, ui::LanFindDialogRunner& runner,
                             const transport::DiscoverySettings& settings, int workers,
                             ui::BusyIndicator* busy) {
    LanSearchResult result;
    // The queries and the checks wait through this clock, so that Cancel ends them.
    platform::CancellableClock clock(settings.clock);
    transport::DiscoverySettings timed = settings;
    timed.clock = &clock;
    transport::Discovery discovery(timed);
    std::string source;
    std::string rejected = discovery.RejectedAddresses(&source);
    if (!rejected.empty()) {
        view.Boxes().Show(
            {platform::Format(kDiscoveryAddressNotIpv4, source.c_str(), rejected.c_str()),
             kLanFindCaption, ui::MessageIcon::Warning, ui::MessageButtons::Ok});
        return result;
    }
    auto list = std::make_unique<transport::FoundList>();
    transport::LinkOptions links{
        .tcpPort = settings.tcpPort, .clock = &clock, .diagnostics = settings.diagnostics};
    // The entries up to the first empty one are checked: all that were found.
    LanFindDialog dialog(list->data(), transport::kFoundListSize, links, workers);
    ClockedWork work(clock, [&] {
        int n = discovery.DiscoverByEcho(list->data(), transport::kFoundListSize);
        if (n < transport::kFoundListSize) {
            int m = discovery.DiscoverByQuery(list->data() + n, transport::kFoundListSize - n);
            if (m > 0) n += m;
        }
        result.found = n;
        if (n > 0) dialog.Probe();
        result.cancelled = clock.Cancelled();
    });
    ui::InPlaceBusy inPlace;
    (busy ? *busy : inPlace).RunBusy(kSearchingTheLan, work);
    work.Join();
    if (result.cancelled) {
        result.found = 0;
        return result;
    }
    if (result.found == 0) {
        view.Boxes().Inform(kNoInstrumentsFound, kLanFindCaption);
        return result;
    }
    int chosen = runner.RunLanFindDialog(dialog);
    if (chosen >= 0 && chosen < result.found &&
        !(*list)[static_cast<std::size_t>(chosen)].ipText.empty()) {
        result.chosen = chosen;
        view.IpAddress().SetText((*list)[static_cast<std::size_t>(chosen)].ipText);
    }
    return result;
}

ConnectDialog::Search MakeLanSearch(ui::LanFindDialogRunner& runner,
                                    transport::DiscoverySettings settings, int workers,
                                    ui::BusyIndicator* busy) {
    return [&runner, settings = std::move(settings), workers, busy](ui::ConnectDialogView& view) {
        RunLanSearch(view, runner, settings, workers, busy);
    };
}

}  // namespace orvane::connection
