#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/product.h"
#include "platform/settings_location.h"

namespace orvane::platform {

std::optional<SettingsLocation> DefaultSettingsLocation() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || !*home) return std::nullopt;
        base = std::string(home) + "/.config";
    }
    SettingsLocation loc;
    loc.folder = base + "/" + kMakerName + "/" + kProductFolder;
    loc.file = loc.folder + "/" + kProductFolder + ".ini";
    return loc;
}

bool MakeFolders(const std::string& folder) {
    for (std::size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
        std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace orvane::platform
