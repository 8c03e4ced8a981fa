#pragma once
// The Connect dialog: interface, COM port or IP address with its search button,
// baud rate, and Connect, Cancel, Test and Save as Default. The core's
// ConnectDialog fills it and handles every button.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/interaction.h"
#include "gui/widget_controls.h"
#include "ui/connect_dialog.h"

namespace orvane::gui {

inline constexpr const char kConnectDialogTitle[] = "Connect";
inline constexpr int kConnectButtonId = 112;
inline constexpr int kCancelButtonId = 2;
inline constexpr int kInterfaceListId = 113;
inline constexpr int kComPortListId = 114;
inline constexpr int kBaudRateListId = 115;
inline constexpr int kTestButtonId = 116;
inline constexpr int kIpAddressId = 117;
inline constexpr int kPortLabelId = 118;
inline constexpr int kBaudRateLabelId = 119;
inline constexpr int kSaveAsDefaultId = 120;
inline constexpr int kSearchButtonId = 1006;

// Accepts what may still become a dotted IPv4 address while it is typed.
QValidator* NewIpv4Validator(QObject* parent);

class ConnectDialogWindow final : public QDialog, public ui::ConnectDialogView {
  public:
    explicit ConnectDialogWindow(QWidget* owner);
    // Where the buttons go; set after OnStart, so that filling the lists
    // reaches nobody.
    void SetEvents(ui::ConnectDialogEvents* events) { events_ = events; }

    ui::ListBox& InterfaceList() override { return interfaceBox_; }
    ui::ComboBox& ComPortList() override { return portBox_; }
    ui::ListBox& BaudRateList() override { return baudBox_; }
    ui::TextBox& IpAddress() override { return ipBox_; }
    ui::Label& PortLabel() override { return portLabelBox_; }
    ui::Label& BaudRateLabel() override { return baudLabelBox_; }
    ui::Button& SearchButton() override { return searchBox_; }
    ui::Button& TestButton() override { return testBox_; }
    ui::MessageBoxes& Boxes() override { return boxes_; }
    ui::WaitCursor& Cursor() override { return cursor_; }
    void Close(int result) override { done(result); }

    // Escape and the close box are Cancel.
    void reject() override;

  private:
    template <class F>
    void OnClick(QPushButton* button, F handler);

    QPushButton* connect_;
    QPushButton* cancel_;
    QComboBox* interfaces_;
    QLabel* portLabel_;
    QComboBox* ports_;
    QLineEdit* ip_;
    QPushButton* search_;
    QLabel* baudLabel_;
    QComboBox* bauds_;
    QPushButton* test_;
    QPushButton* save_;

    ComboBoxBox interfaceBox_;
    ComboBoxBox portBox_;
    ComboBoxBox baudBox_;
    LineEditBox ipBox_;
    StaticLabel portLabelBox_;
    StaticLabel baudLabelBox_;
    PushButton searchBox_;
    PushButton testBox_;
    MessageBoxWindow boxes_;
    AppWaitCursor cursor_;
    ui::ConnectDialogEvents* events_ = nullptr;
};

}  // namespace orvane::gui
