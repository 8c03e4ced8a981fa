#pragma once
// The desktop program's command line.

#include <string>
#include <vector>

namespace orvane::gui {

struct GuiOptions {
    bool help = false;
    bool version = false;
    bool demo = false;
    bool trace = false;
    std::string commsLog;
    // The program name and every argument not taken here, for Qt (-style, ...)
    // and for the shell (-d1).
    std::vector<std::string> rest;
};

// False, with the reason in error, when an option is not understood.
bool ParseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error);

std::string GuiUsage();
std::string GuiVersion();

}  // namespace orvane::gui
