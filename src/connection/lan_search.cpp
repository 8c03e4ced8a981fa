#include "connection/lan_search.h"

#include <memory>
#include <string>

#include "connection/lan_find_dialog.h"
#include "connection/lan_search_texts.h"
#include "platform/text_format.h"
#include "transport/discovery.h"
#include "transport/discovery_targets.h"
#include "ui/connect_dialog.h"
#include "ui/controls.h"
#include "ui/lan_find_dialog.h"
#include "ui/message_box.h"
#include "ui/wait_cursor.h"

namespace orvane::connection {

LanSearchResult RunLanSearch(ui::ConnectDialogView& view, ui::LanFindDialogRunner& runner,
                             const transport::DiscoverySettings& settings, int workers) {
    LanSearchResult result;
    transport::Discovery discovery(settings);
    std::string source;
    std::string rejected = discovery.RejectedAddresses(&source);
    if (!rejected.empty()) {
        view.Boxes().Show(
            {platform::Format(kDiscoveryAddressNotIpv4, source.c_str(), rejected.c_str()),
             kLanFindCaption, ui::MessageIcon::Warning, ui::MessageButtons::Ok});
        return result;
    }
    auto list = std::make_unique<transport::FoundList>();
    {
        // Only while the queries run: the user chooses in the dialog, or reads the
        // message, with the usual cursor.
        ui::WaitCursorGuard wait(view.Cursor());
        int n = discovery.DiscoverByEcho(list->data(), transport::kFoundListSize);
        if (n < transport::kFoundListSize) {
            int m = discovery.DiscoverByQuery(list->data() + n, transport::kFoundListSize - n);
            if (m > 0) n += m;
        }
        result.found = n;
    }
    if (result.found == 0) {
        view.Boxes().Inform(kNoInstrumentsFound, kLanFindCaption);
        return result;
    }
    transport::LinkOptions links{
        .tcpPort = settings.tcpPort, .clock = settings.clock, .diagnostics = settings.diagnostics};
    LanFindDialog dialog(list->data(), result.found, links, workers);
    int chosen = runner.RunLanFindDialog(dialog);
    if (chosen >= 0 && chosen < result.found &&
        !(*list)[static_cast<std::size_t>(chosen)].ipText.empty()) {
        result.chosen = chosen;
        view.IpAddress().SetText((*list)[static_cast<std::size_t>(chosen)].ipText);
    }
    return result;
}

ConnectDialog::Search MakeLanSearch(ui::LanFindDialogRunner& runner,
                                    transport::DiscoverySettings settings, int workers) {
    return [&runner, settings = std::move(settings), workers](ui::ConnectDialogView& view) {
        RunLanSearch(view, runner, settings, workers);
    };
}

}  // namespace orvane::connection
