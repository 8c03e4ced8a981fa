#pragma once
// The Connect dialog's behaviour: fills its lists, follows the interface choice,
// reads and checks the user's choices into the record, and connects, tests or
// stores them as the defaults.

#include <functional>
#include <string>
#include <vector>

#include "transport/connection_record.h"
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
    ConnectDialog(transport::ConnectionRecord& record, platform::IniFile* settings,
                  PortLister ports, Search search = {});

    void OnStart(ui::ConnectDialogView& view) override;
    void OnInterfaceSelected() override;
    void OnConnect() override;
    void OnTest() override;
    void OnSaveAsDefault() override;
    void OnSearch() override;
    void OnCancel() override;

  private:
    transport::ConnectionRecord& record_;
    platform::IniFile* settings_;
    PortLister ports_;
    Search search_;
    ui::ConnectDialogView* view_ = nullptr;
};

}  // namespace orvane::connection
