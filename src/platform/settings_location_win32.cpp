#include <shlobj.h>

#include "platform/file_facts.h"
#include "platform/product.h"
#include "platform/settings_location.h"
#include "platform/win32_support.h"

namespace orvane::platform {

std::optional<SettingsLocation> DefaultSettingsLocation() {
    wchar_t base[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_DEFAULT, base) !=
            S_OK ||
        base[0] == L'\0') {
        return std::nullopt;
    }
    SettingsLocation loc;
    loc.folder = Utf8(base) + "\\" + kMakerName + "\\" + kProductFolder;
    loc.file = loc.folder + "\\" + kProductFolder + ".ini";
    return loc;
}

bool MakeFolders(const std::string& folder) {
    // Each level in turn; one that exists already (or a drive, which cannot be
    // made) fails harmlessly, and only the last matters.
    for (std::size_t pos = folder.find_first_of(kPathSeparators, 1);;
         pos = folder.find_first_of(kPathSeparators, pos + 1)) {
        ::CreateDirectoryW(Wide(folder.substr(0, pos)).c_str(), nullptr);
        if (pos == std::string::npos) break;
    }
    return IsFolder(folder);
}

}  // namespace orvane::platform
