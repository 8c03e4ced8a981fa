#pragma once
// The Connect dialog's behaviour: fills its lists, follows the interface choice,
// reads and checks the user's choices into the record, and connects, tests or
// stores them as the defaults.

#include <functional>
#include <string>
#include <vector>

#include "connection/connect_attempts.h"
#include "transport/connection_record.h"
#include "ui/busy_indicator.h"
#include "ui/connect_dialog.h"

namespace orvane::platform {
class IniFile;
}
namespace orvane::ui {
class MessageBoxes;
}

namespace orvane::connection {

// Copies the dialog's choices into the record (USB always at 19200 baud).
void ReadConnectDialog(ui::ConnectDialogView& view, transport::ConnectionRecord& record);
// Tells the user what is missing; true when the settings can be tried.
bool ValidateConnectionSettings(ui::MessageBoxes& owner, const transport::ConnectionRecord& record);

class ConnectDialog final : public ui::ConnectDialogEvents {
  public:
    using PortLister = std::function<std::vector<std::string>()>;
    using Search = std::function<void(ui::ConnectDialogView&)>;

    // settings may be null (no settings file can be kept). ports lists the serial
    // ports present; search runs the LAN search and writes the chosen address.
    // attempts: where Connect and Test run (none: here, the dialog held still
    // meanwhile); status: where the dialog says why a button did nothing.
    ConnectDialog(transport::ConnectionRecord& record, platform::IniFile* settings,
                  PortLister ports, Search search = {}, ConnectAttempts* attempts = nullptr,
                  ui::StatusLine* status = nullptr);

    void OnStart(ui::ConnectDialogView& view) override;
    void OnInterfaceSelected() override;
    void OnConnect() override;
    void OnTest() override;
    void OnSaveAsDefault() override;
    void OnSearch() override;
    void OnCancel() override;

  private:
    void Tell(const std::string& text);
    ConnectAttempts::Result Attempt(bool closeAfter);

    transport::ConnectionRecord& record_;
    platform::IniFile* settings_;
    PortLister ports_;
    Search search_;
    ConnectAttempts* attempts_;
    ui::StatusLine* status_;
    ui::ConnectDialogView* view_ = nullptr;
};

}  // namespace orvane::connection
