#include "transport/serial_port_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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

TEST(SerialPortList, DetailsTellOneAdaptorFromAnother) {
    orvane::testing::TempFolder root;
    const std::string sys = root.Folder("sys/class/tty"), dev = root.Folder("dev");
    const std::string usb = root.Folder("sys/devices/usb1/1-1/1-1:1.0/ttyUSB0");
    root.Write("sys/devices/usb1/1-1/idVendor", "0403\n");
    root.Write("sys/devices/usb1/1-1/idProduct", "6001\n");
    root.Write("sys/devices/usb1/1-1/product", "FT232R USB UART\n");
    root.Folder("sys/class/tty/ttyUSB0");
    std::filesystem::create_symlink(usb, sys + "/ttyUSB0/device");
    root.Folder("sys/class/tty/ttyS1/device");  // a UART on the board
    root.Write("dev/ttyUSB0", "");
    root.Write("dev/ttyS1", "");
    root.Folder("dev/serial/by-id");
    std::filesystem::create_symlink("../../ttyUSB0",
                                    dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0");
    // Another program holds the UART as the serial link holds a port.
    const int holder = ::open((dev + "/ttyS1").c_str(), O_RDWR);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    std::vector<SerialPortInfo> ports = ListSerialPortDetails(sys, dev);
    ::close(holder);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].path, dev + "/ttyS1");
    EXPECT_EQ(ports[0].usbId, "");
    EXPECT_EQ(ports[0].access, SerialPortInfo::Access::Busy);
    EXPECT_EQ(ports[1].path, dev + "/ttyUSB0");
    EXPECT_EQ(ports[1].byId, dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(ports[1].usbId, "0403:6001");
    EXPECT_EQ(ports[1].product, "FT232R USB UART");
    EXPECT_EQ(ports[1].access, SerialPortInfo::Access::Free);
    if (::geteuid() != 0) {  // root may open anything
        ::chmod((dev + "/ttyUSB0").c_str(), 0);
        EXPECT_EQ(ListSerialPortDetails(sys, dev)[1].access, SerialPortInfo::Access::NotPermitted);
    }
}
