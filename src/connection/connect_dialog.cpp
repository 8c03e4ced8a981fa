#include "connection/connect_dialog.h"

#include <cstdlib>
#include <string>

#include "connection/connect_and_identify.h"
#include "connection/connection_settings.h"
#include "connection/connection_texts.h"
#include "connection/status_texts.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "ui/app_strings.h"
#include "ui/controls.h"
#include "ui/message_box.h"

namespace orvane::connection {

using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

constexpr std::size_t kIpFromDialog = 15;
constexpr int kLanItem = 1;
constexpr int kSerialItem = 2;

int IndexOf(const ui::ListBox& list, std::string_view text) {
    for (int i = 0; i < list.Count(); ++i) {
        if (list.ItemText(i) == text) return i;
    }
    return -1;
}

}  // namespace

void ReadConnectDialog(ui::ConnectDialogView& view, ConnectionRecord& r) {
    int kind = view.InterfaceList().CurrentIndex();
    if (kind >= 0) r.interfaceKind = static_cast<InterfaceKind>(kind + 1);

    ui::ComboBox& ports = view.ComPortList();
    if (ports.CurrentIndex() >= 0) {
        r.comPort = ports.ItemText(ports.CurrentIndex());
    } else if (!ports.EditText().empty()) {
        r.comPort = ports.EditText();  // a typed device path
    }

    ui::ListBox& bauds = view.BaudRateList();
    if (bauds.CurrentIndex() >= 0) {
        r.baudRate = static_cast<uint32_t>(
            platform::ReadDecimal(bauds.ItemText(bauds.CurrentIndex())).value);
    }
    if (r.interfaceKind == InterfaceKind::Usb) r.baudRate = kUsbBaudRate;

    std::string ip = view.IpAddress().Text();
    if (ip == "0.0.0.0") ip.clear();
    r.ipAddress = std::string_view(ip).substr(0, kIpFromDialog);
}

bool ValidateConnectionSettings(ui::MessageBoxes& owner, const ConnectionRecord& r) {
    const char* problem = nullptr;
    if (r.interfaceKind == InterfaceKind::Lan) {
        if (r.ipAddress.empty()) problem = kPleaseEnterIp;
    } else if (r.interfaceKind == InterfaceKind::Usb || r.interfaceKind == InterfaceKind::Serial) {
        if (r.comPort.empty()) {
            problem = kPleaseSelectComPort;
        } else if (r.baudRate == 0) {
            problem = kPleaseChooseBaud;
        }
    }
    if (!problem) return true;
    owner.Inform(problem, kTestConnectionCaption);
    return false;
}

ConnectDialog::ConnectDialog(ConnectionRecord& record, platform::IniFile* settings,
                             PortLister ports, Search search, ConnectAttempts* attempts,
                             ui::StatusLine* status)
    : record_(record),
      settings_(settings),
      ports_(std::move(ports)),
      search_(std::move(search)),
      attempts_(attempts),
      status_(status) {}

ConnectAttempts::Result ConnectDialog::Attempt(bool closeAfter) {
    if (attempts_) return attempts_->Connect(view_->Boxes(), record_, true, closeAfter);
    ConnectAttempts::Result result;
    result.identified = ConnectAndIdentify(view_->Boxes(), view_->Cursor(), record_, true);
    if (closeAfter) transport::CloseChannel(record_);
    return result;
}

void ConnectDialog::Tell(const std::string& text) {
    if (status_) status_->SetStatus(text);
}

void ConnectDialog::OnStart(ui::ConnectDialogView& view) {
    view_ = &view;
    ui::ListBox& kinds = view.InterfaceList();
    kinds.Clear();
    for (const char* name : kInterfaceNames) kinds.AddItem(name);

    ui::ComboBox& ports = view.ComPortList();
    ports.Clear();
    if (ports_) {
        for (const std::string& port : ports_()) ports.AddItem(port);
    }

    ui::ListBox& bauds = view.BaudRateList();
    bauds.Clear();
    for (const char* rate : kBaudRates) bauds.AddItem(rate);

    auto kind = static_cast<uint32_t>(record_.interfaceKind);
    if (kind > 0 && kind <= 3) {
        kinds.SetCurrentIndex(static_cast<int>(kind) - 1);
        OnInterfaceSelected();
    }
    if (!record_.comPort.empty()) {
        int i = IndexOf(ports, record_.comPort);
        if (i >= 0) {
            ports.SetCurrentIndex(i);
        } else {
            ports.SetEditText(record_.comPort);  // a saved path the list does not hold
        }
    }
    if (record_.baudRate != 0) {
        int i = IndexOf(bauds, std::to_string(record_.baudRate));
        if (i >= 0) bauds.SetCurrentIndex(i);
    }
    view.IpAddress().SetText(record_.ipAddress.view());
    view.TestButton().SetVisible(true);
}

void ConnectDialog::OnInterfaceSelected() {
    ui::ConnectDialogView& v = *view_;
    int item = v.InterfaceList().CurrentIndex();
    bool lan = item == kLanItem;
    v.IpAddress().SetVisible(lan);
    v.SearchButton().SetVisible(lan);
    v.ComPortList().SetVisible(!lan);
    v.BaudRateList().SetVisible(!lan);
    v.BaudRateLabel().SetVisible(!lan);
    if (!lan) {
        bool serial = item == kSerialItem;
        v.BaudRateList().SetEnabled(serial);
        v.BaudRateLabel().SetEnabled(serial);
    }
    v.PortLabel().SetText(lan ? kLabelIpAddress : kLabelComPort);
}

void ConnectDialog::OnConnect() {
    record_.instrumentReady = false;
    record_.modelCode = 0;
    ReadConnectDialog(*view_, record_);
    if (record_.interfaceKind != InterfaceKind::None &&
        !ValidateConnectionSettings(view_->Boxes(), record_))
        return;
    // A failed attempt may have left the channel open, perhaps on another port
    // than the one now chosen: start each attempt from a closed channel.
    transport::CloseChannel(record_);
    if (record_.interfaceKind == InterfaceKind::None) {
        Tell(kStatusNoInterface);
        return;
    }
    const ConnectAttempts::Result result = Attempt(false);
    record_.instrumentReady = result.identified;
    if (!record_.instrumentReady)
        Tell(StatusAt(result.cancelled ? kStatusCancelled : kStatusFailed, ConnectPlace(record_),
                      record_));
    if (record_.instrumentReady) view_->Close(ui::kConnectDialogResultConnected);
}

void ConnectDialog::OnTest() {
    ReadConnectDialog(*view_, record_);
    if (!ValidateConnectionSettings(view_->Boxes(), record_)) return;
    const ConnectAttempts::Result result = Attempt(true);
    const char* said = result.cancelled    ? kStatusTestCancelled
                       : result.identified ? kStatusTestPassed
                                           : kStatusTestFailed;
    Tell(StatusAt(said, ConnectPlace(record_), record_));
}

void ConnectDialog::OnSaveAsDefault() {
    ReadConnectDialog(*view_, record_);
    std::string text = kNoSettingsFile;
    if (settings_) {
        platform::WriteResult written = SaveConnectionSettings(*settings_, record_);
        if (written.ok()) return;
        text = platform::Format(kSettingsNotSaved, settings_->path().c_str(),
                                written.Reason().c_str());
    }
    view_->Boxes().Inform(text, ui::kAppName);
}

void ConnectDialog::OnSearch() {
    if (search_) search_(*view_);
}

void ConnectDialog::OnCancel() {
    view_->Close(ui::kDialogResultCancel);
}

}  // namespace orvane::connection
