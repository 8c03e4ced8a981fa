// Identification of orvane2-sim run as a process, over a pseudo-terminal and TCP.

#include <gtest/gtest.h>

#include "connection/connect_and_identify.h"
#include "connection/connection_texts.h"
#include "connection/model_table.h"
#include "sim/instrument_config.h"
#include "support/fake_ui.h"
#include "support/sim_process.h"
#include "transport/channel.h"

using namespace orvane;
using orvane::testing::FakeMessageBoxes;
using orvane::testing::FakeWaitCursor;
using orvane::testing::SimProcess;
using transport::InterfaceKind;

TEST(IdentifyAgainstSim, OverPtyAndTcpIncludingABootcodeInstrument) {
    SimProcess trv({"--pty", "--tcp", "127.0.0.1:0", "--model", "TRV2801", "--serial", "9001"});
    SimProcess boot({"--tcp", "127.0.0.1:0", "--bootcode"});
    trv.LinesUntilReady();
    boot.LinesUntilReady();
    ASSERT_FALSE(trv.PtyPath().empty());
    ASSERT_NE(trv.TcpPort(), 0);

    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
    transport::ConnectionRecord usb;
    usb.interfaceKind = InterfaceKind::Usb;
    usb.comPort = trv.PtyPath();
    usb.baudRate = 19200;
    EXPECT_TRUE(connection::ConnectAndIdentify(boxes, cursor, usb, true));
    EXPECT_EQ(usb.modelCode, connection::kModelTrv28);
    EXPECT_EQ(usb.identity, "Kelmscot,TRV2801,9001," + std::string(sim::kDefaultFirmwareField));
    EXPECT_EQ(usb.versionReply, sim::kDefaultVersion);
    transport::CloseChannel(usb);

    transport::ConnectionRecord lan;
    lan.interfaceKind = InterfaceKind::Lan;
    lan.ipAddress = "127.0.0.1";
    lan.linkOptions.tcpPort = trv.TcpPort();
    EXPECT_TRUE(connection::ConnectAndIdentify(boxes, cursor, lan, false));
    EXPECT_EQ(lan.modelCode, connection::kModelTrv28);
    EXPECT_EQ(lan.calibration, sim::kDefaultCalstr);
    transport::CloseChannel(lan);

    lan.linkOptions.tcpPort = boot.TcpPort();
    EXPECT_TRUE(connection::ConnectAndIdentify(boxes, cursor, lan, true));
    EXPECT_EQ(lan.modelCode, connection::kModelBootcode);
    EXPECT_EQ(lan.identity, sim::kBootcodeDumpLine);
    EXPECT_EQ(boxes.shown.back().text,
              std::string(connection::kConnectionSuccessful) + connection::kBootcodeInstrument);
    transport::CloseChannel(lan);
    EXPECT_EQ(cursor.depth, 0);
}
