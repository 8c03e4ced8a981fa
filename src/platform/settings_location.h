#pragma once
// Where the settings file lives: $XDG_CONFIG_HOME (or ~/.config), then the
// maker's and the product's folders, then "Orvaner.ini".

#include <optional>
#include <string>

namespace orvane::platform {

struct SettingsLocation {
    std::string folder;  // .../Kelmscot/Orvaner
    std::string file;    // .../Kelmscot/Orvaner/Orvaner.ini
};

// Nothing when no home folder can be found: settings are then simply not kept.
std::optional<SettingsLocation> DefaultSettingsLocation();

// Creates the folder and its parents; false when it could not.
bool MakeFolders(const std::string& folder);

}  // namespace orvane::platform
