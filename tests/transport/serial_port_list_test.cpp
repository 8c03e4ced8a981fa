#include "transport/serial_port_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

using namespace orvane::transport;

TEST(SerialPortList, HardwarePortsInNaturalOrder) {
    char tmpl[] = "/tmp/orvane_sys_XXXXXX";
    std::string root = mkdtemp(tmpl);
    auto port = [&](const std::string& name, const char* type) {
        ::mkdir((root + "/" + name).c_str(), 0755);
        ::mkdir((root + "/" + name + "/device").c_str(), 0755);
        if (type) std::ofstream(root + "/" + name + "/type") << type << "\n";
    };
    port("ttyS10", "4");
    port("ttyS2", "4");
    port("ttyS3", "0");  // a UART slot with nothing behind it
    port("ttyUSB0", nullptr);
    port("ttyACM1", nullptr);
    ::mkdir((root + "/tty7").c_str(), 0755);  // a console: no device
    EXPECT_EQ(ListSerialPorts(root),
              (std::vector<std::string>{"ttyACM1", "ttyS2", "ttyS10", "ttyUSB0"}));
    EXPECT_TRUE(ListSerialPorts(root + "/missing").empty());
    EXPECT_TRUE(NaturalLess("ttyUSB9", "ttyUSB10"));
    EXPECT_FALSE(NaturalLess("ttyUSB10", "ttyUSB9"));
    EXPECT_TRUE(NaturalLess("ttyS02", "ttyS3"));
    std::system(("rm -rf " + root).c_str());
}
