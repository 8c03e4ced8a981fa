#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
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

// The path with every link followed, or "" when it leads nowhere.
std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    if (!::realpath(path.c_str(), buf)) return {};
    return buf;
}

// The USB device a tty hangs from: the nearest folder above its device that
// names a vendor and a product. Serial adaptors sit a few levels below it.
void ReadUsbDetails(const std::string& sysEntry, SerialPortInfo& port) {
    std::string dir = RealPath(sysEntry + "/device");
    for (int level = 0; level < 6 && dir.size() > 1; ++level) {
        if (Exists(dir + "/idVendor") && Exists(dir + "/idProduct")) {
            port.usbId = ReadFirstLine(dir + "/idVendor") + ":" + ReadFirstLine(dir + "/idProduct");
            port.product = ReadFirstLine(dir + "/product");
            return;
        }
        dir.erase(dir.rfind('/'));
    }
}

// As the serial link opens a port: someone else's exclusive use or advisory
// lock is "busy".
SerialPortInfo::Access AccessOf(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? SerialPortInfo::Access::NotPermitted
               : errno == EBUSY                  ? SerialPortInfo::Access::Busy
                                                 : SerialPortInfo::Access::Free;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked ? SerialPortInfo::Access::Busy : SerialPortInfo::Access::Free;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPortDetails(const std::string& sysRoot,
                                                  const std::string& devRoot) {
    std::vector<SerialPortInfo> ports;
    for (const std::string& name : ListSerialPorts(sysRoot)) {
        SerialPortInfo port;
        port.path = devRoot + "/" + name;
        port.byId = SerialByIdName(port.path, devRoot);
        ReadUsbDetails(sysRoot + "/" + name, port);
        port.access = AccessOf(port.path);
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string SerialByIdName(std::string_view device, const std::string& devRoot) {
    if (device.empty()) return {};
    std::string path(device);
    if (path.find('/') == std::string::npos) path = devRoot + "/" + path;
    const std::string target = RealPath(path);
    if (target.empty()) return {};
    const std::string byId = devRoot + "/serial/by-id";
    DIR* dir = ::opendir(byId.c_str());
    if (!dir) return {};
    // One adaptor can have several names (one per interface); the first in
    // order is the one given, so the answer does not depend on readdir.
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        if (RealPath(byId + "/" + name) == target) names.push_back(byId + "/" + name);
    }
    ::closedir(dir);
    if (names.empty()) return {};
    return *std::min_element(names.begin(), names.end(), NaturalLess);
}

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t i2 = i, j2 = j;
            while (i2 < a.size() && std::isdigit(static_cast<unsigned char>(a[i2]))) ++i2;
            while (j2 < b.size() && std::isdigit(static_cast<unsigned char>(b[j2]))) ++j2;
            std::string na = a.substr(i, i2 - i), nb = b.substr(j, j2 - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size() - 1));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size() - 1));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = i2;
            j = j2;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

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
