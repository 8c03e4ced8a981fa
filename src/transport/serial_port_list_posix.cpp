#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "transport/serial_port_list.h"

namespace orvane::transport {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::string& sysRoot) {
    std::vector<std::string> ports;
    DIR* dir = ::opendir(sysRoot.c_str());
    if (!dir) return ports;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string entry = sysRoot + "/" + name;
        // Consoles and pseudo-terminals have no device behind them.
        if (!Exists(entry + "/device")) continue;
        // A UART slot the kernel reserves without hardware reports type 0.
        if (Exists(entry + "/type") && ReadFirstLine(entry + "/type") == "0") continue;
        ports.push_back(name);
    }
    ::closedir(dir);
    std::sort(ports.begin(), ports.end(), NaturalLess);
    return ports;
}

}  // namespace orvane::transport
