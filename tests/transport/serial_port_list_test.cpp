#include "transport/serial_port_list.h"

#include <gtest/gtest.h>

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
