#include "connection/connect_dialog.h"

#include <gtest/gtest.h>

#include "connection/connection_settings.h"
#include "connection/connection_texts.h"
#include "platform/ini_file.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "support/fake_main_window.h"
#include "support/temp_folder.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::testing::FakeConnectView;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

std::vector<std::string> Ports() {
    return {"ttyS0", "ttyUSB0"};
}

struct Dialog {
    explicit Dialog(ConnectionRecord& r, platform::IniFile* settings = nullptr)
        : logic(r, settings, Ports) {
        logic.OnStart(view);
    }
    void Choose(const char* kind) {
        view.interfaces.Select(kind);
        logic.OnInterfaceSelected();
    }
    FakeConnectView view;
    ConnectDialog logic;
};

}  // namespace

// USB shows its baud rate, fixed at 19200 whatever is picked; a typed device
// path counts when no list item is chosen.
TEST(ConnectDialog, InterfaceChoiceShowsItsControlsAndTheyAreRead) {
    ConnectionRecord r;
    Dialog d(r);
    d.logic.OnConnect();  // no interface chosen: nothing happens and the dialog stays
    EXPECT_FALSE(d.view.result);
    EXPECT_TRUE(d.view.boxes.shown.empty());
    struct Row {
        const char* kind;
        bool lan, baudEnabled;
    } rows[] = {{"LAN", true, true}, {"USB", false, false}, {"Serial", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        d.Choose(row.kind);
        for (bool shown : {d.view.ip.visible, d.view.search.visible}) EXPECT_EQ(shown, row.lan);
        for (bool shown : {d.view.ports.visible, d.view.bauds.visible}) EXPECT_EQ(shown, !row.lan);
        EXPECT_EQ(d.view.bauds.enabled, row.baudEnabled);
    }
    d.Choose("USB");
    d.view.ports.Select("ttyUSB0");
    d.view.bauds.Select("9600");
    ReadConnectDialog(d.view, r);
    EXPECT_EQ(r.interfaceKind, InterfaceKind::Usb);
    EXPECT_EQ(r.comPort, "ttyUSB0");
    EXPECT_EQ(r.baudRate, kUsbBaudRate);
    d.Choose("Serial");
    d.view.ports.SetCurrentIndex(-1);
    d.view.ports.SetEditText("/dev/serial/by-id/usb-x");
    ReadConnectDialog(d.view, r);
    EXPECT_EQ(r.comPort, "/dev/serial/by-id/usb-x");
}

// One message at a time, the port before the baud rate; a blank LAN address
// stops both Connect and Test.
TEST(ConnectDialog, MissingChoicesAreAskedForInOrder) {
    orvane::testing::FakeMessageBoxes boxes;
    ConnectionRecord v;
    v.interfaceKind = InterfaceKind::Serial;
    EXPECT_FALSE(ValidateConnectionSettings(boxes, v));
    v.comPort = "ttyS0";
    EXPECT_FALSE(ValidateConnectionSettings(boxes, v));
    v.baudRate = 9600;
    EXPECT_TRUE(ValidateConnectionSettings(boxes, v));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kPleaseSelectComPort, kPleaseChooseBaud}));

    ConnectionRecord r;
    Dialog d(r);
    d.Choose("LAN");
    d.view.ip.SetText("0.0.0.0");
    d.logic.OnConnect();
    d.logic.OnTest();
    EXPECT_EQ(d.view.boxes.Texts(), (std::vector<std::string>{kPleaseEnterIp, kPleaseEnterIp}));
    EXPECT_FALSE(d.view.result);
}

TEST(ConnectDialog, ShowsTheRecordAndSaveAsDefaultSticks) {
    orvane::testing::TempFolder folder;
    platform::IniFile ini(folder / "s.ini");
    ConnectionRecord r;
    r.interfaceKind = InterfaceKind::Lan;
    r.ipAddress = "192.168.7.9";
    r.comPort = "ttyGONE3";
    r.baudRate = 38400;
    Dialog d(r, &ini);
    EXPECT_EQ(d.view.interfaces.current, 1);
    EXPECT_EQ(d.view.ip.text, "192.168.7.9");
    EXPECT_EQ(d.view.ports.current, -1);  // the saved port is gone: shown as typed text
    EXPECT_EQ(d.view.ports.edit, "ttyGONE3");
    EXPECT_EQ(d.view.bauds.ItemText(d.view.bauds.current), "38400");

    // Save as Default, then Cancel: stored, kept in the record, not connected.
    d.Choose("Serial");
    d.view.ports.Select("ttyS0");
    d.view.bauds.Select("1200");
    d.logic.OnSaveAsDefault();
    d.logic.OnCancel();
    EXPECT_EQ(d.view.result, ui::kDialogResultCancel);
    EXPECT_FALSE(r.instrumentReady);
    EXPECT_EQ(r.interfaceKind, InterfaceKind::Serial);
    EXPECT_EQ(ini.ReadInt(kSectionConnect, kKeyInterface, 0), 3);
    EXPECT_EQ(ini.ReadString(kSectionConnect, kKeyComPort, ""), "ttyS0");
    EXPECT_EQ(ini.ReadInt(kSectionConnect, kKeyBaudRate, 0), 1200);
    EXPECT_EQ(ini.ReadString(kSectionConnect, kKeyIpAddr, ""), "192.168.7.9");
}

TEST(ConnectDialog, TestShowsWhatAnsweredAndLeavesTheChannelClosed) {
    orvane::testing::FakeClock clock;
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    clock.AddPump([&](uint32_t now) { instrument.Pump(now); });

    ConnectionRecord r;
    r.linkOptions = {.tcpPort = instrument.Port(), .clock = &clock};
    Dialog d(r);
    d.Choose("LAN");
    d.view.ip.SetText("127.0.0.1");
    d.logic.OnTest();
    EXPECT_FALSE(r.channelOpen);
    EXPECT_FALSE(r.instrumentReady);
    ASSERT_EQ(d.view.boxes.shown.size(), 1u);
    EXPECT_EQ(d.view.boxes.shown[0].text.rfind(kConnectionSuccessful, 0), 0u);
    EXPECT_FALSE(d.view.result);
}

TEST(ConnectionSettings, OverlongValuesAreCutToTheirFields) {
    orvane::testing::TempFolder folder;
    platform::IniFile ini(folder / "s.ini");
    ini.WriteString(kSectionConnect, kKeyComPort, std::string(300, 'p'));
    ini.WriteString(kSectionConnect, kKeyIpAddr, "192.168.100.200.extra");
    ini.WriteString(kSectionConnect, kKeyInterface, "2junk");
    ConnectionRecord r;
    LoadConnectionSettings(&ini, r);
    EXPECT_EQ(r.comPort.size(), 300u);  // kept whole, to be refused by name when opened
    EXPECT_EQ(r.ipAddress, "192.168.100.200.");
    EXPECT_EQ(r.interfaceKind, InterfaceKind::Lan);
    EXPECT_EQ(r.baudRate, 0u);
    LoadConnectionSettings(nullptr, r);  // no settings file: the defaults
    EXPECT_EQ(r.interfaceKind, InterfaceKind::None);
    EXPECT_TRUE(r.comPort.empty());
}
