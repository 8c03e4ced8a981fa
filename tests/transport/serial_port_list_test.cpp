#include "transport/serial_port_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

using namespace orvane::transport;

TEST(SerialPortList, HardwarePortsInNaturalOrder) {
    orvane::testing::TempFolder root;
    for (const char* name : {"ttyS10", "ttyS2", "ttyS3", "ttyUSB0", "ttyACM1"})
        root.Folder(std::string(name) + "/device");
    root.Write("ttyS10/type", "4\n");
    root.Write("ttyS2/type", "4\n");
    root.Write("ttyS3/type", "0\n");  // a UART slot with nothing behind it
    root.Folder("tty7");              // a console: no device
    EXPECT_EQ(ListSerialPorts(root.path()),
              (std::vector<std::string>{"ttyACM1", "ttyS2", "ttyS10", "ttyUSB0"}));
    EXPECT_TRUE(ListSerialPorts(root / "missing").empty());
}

TEST(SerialPortList, ByIdNameFollowsTheLinkToTheDevice) {
    orvane::testing::TempFolder dev;
    dev.Write("ttyUSB0", "");
    dev.Write("ttyUSB1", "");
    dev.Folder("serial/by-id");
    std::filesystem::create_symlink("../../ttyUSB1",
                                    dev / "serial/by-id/usb-Maker_Adaptor_B-if00-port0");
    std::filesystem::create_symlink("../../ttyUSB0",
                                    dev / "serial/by-id/usb-Maker_Adaptor_A-if01-port0");
    std::filesystem::create_symlink("../../ttyUSB0",
                                    dev / "serial/by-id/usb-Maker_Adaptor_A-if00-port0");
    const std::string a = dev / "serial/by-id/usb-Maker_Adaptor_A-if00-port0";
    EXPECT_EQ(SerialByIdName("ttyUSB0", dev.path()), a);
    EXPECT_EQ(SerialByIdName(dev / "ttyUSB0", dev.path()), a);
    EXPECT_EQ(SerialByIdName(a, dev.path()), a);  // already the stable name
    EXPECT_EQ(SerialByIdName("ttyUSB1", dev.path()),
              dev / "serial/by-id/usb-Maker_Adaptor_B-if00-port0");
    dev.Write("ttyS0", "");
    EXPECT_EQ(SerialByIdName("ttyS0", dev.path()), "");    // no by-id name
    EXPECT_EQ(SerialByIdName("ttyUSB7", dev.path()), "");  // unplugged
    EXPECT_EQ(SerialByIdName("", dev.path()), "");
}
