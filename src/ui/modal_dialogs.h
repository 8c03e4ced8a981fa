#pragma once
// Modal dialogs run by the main window; each returns when the dialog closes.

#include <string>

#include "ui/connect_dialog.h"

namespace orvane::ui {

class ModalDialogs {
  public:
    virtual ~ModalDialogs() = default;
    virtual int RunConnectDialog(ConnectDialogEvents& events) = 0;
    virtual void RunAboutDialog(const std::string& product, const std::string& version,
                                const std::string& notice) = 0;
};

// For a front end that shows no dialogs: each is cancelled unseen.
class NullModalDialogs final : public ModalDialogs {
  public:
    int RunConnectDialog(ConnectDialogEvents&) override { return kDialogResultCancel; }
    void RunAboutDialog(const std::string&, const std::string&, const std::string&) override {}
};

}  // namespace orvane::ui
