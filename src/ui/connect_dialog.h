#pragma once
// The Connect dialog as the core drives it: the front end builds the widgets and
// hands them over as a view; the core's logic receives the dialog's events.

namespace orvane::ui {

class Button;
class ComboBox;
class Label;
class ListBox;
class MessageBoxes;
class TextBox;
class WaitCursor;

inline constexpr int kDialogResultCancel = 2;
inline constexpr int kConnectDialogResultConnected = 112;

class ConnectDialogView {
  public:
    virtual ~ConnectDialogView() = default;
    virtual ListBox& InterfaceList() = 0;  // "USB", "LAN", "Serial"
    virtual ComboBox& ComPortList() = 0;   // ports present, or a typed device path
    virtual ListBox& BaudRateList() = 0;
    virtual TextBox& IpAddress() = 0;  // empty, or a dotted IPv4 address
    virtual Label& PortLabel() = 0;    // "COM Port:" or "IP Address:"
    virtual Label& BaudRateLabel() = 0;
    virtual Button& SearchButton() = 0;
    virtual Button& TestButton() = 0;
    virtual MessageBoxes& Boxes() = 0;  // owned by the dialog
    virtual WaitCursor& Cursor() = 0;
    virtual void Close(int result) = 0;
};

class ConnectDialogEvents {
  public:
    virtual ~ConnectDialogEvents() = default;
    virtual void OnStart(ConnectDialogView& view) = 0;
    virtual void OnInterfaceSelected() = 0;
    virtual void OnConnect() = 0;
    virtual void OnTest() = 0;
    virtual void OnSaveAsDefault() = 0;
    virtual void OnSearch() = 0;
    virtual void OnCancel() = 0;
};

}  // namespace orvane::ui
