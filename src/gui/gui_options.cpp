#include "gui/gui_options.h"

#include <string_view>

#include "platform/product.h"
#include "transport/link.h"
#include "ui/app_strings.h"

namespace orvane::gui {

bool ParseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error) {
    options = {};
    options.rest.emplace_back(argc > 0 ? argv[0] : "orvane2");
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--comms-log" || arg.starts_with("--comms-log=")) {
            if (arg == "--comms-log") {
                if (i + 1 >= argc) {
                    error = "--comms-log needs a file name";
                    return false;
                }
                options.commsLog = argv[++i];
            } else {
                options.commsLog = std::string(arg.substr(std::string_view("--comms-log=").size()));
            }
            if (options.commsLog.empty()) {
                error = "--comms-log needs a file name";
                return false;
            }
        } else if (arg.starts_with("--")) {
            error = "unknown option " + std::string(arg);
            return false;
        } else {
            options.rest.emplace_back(arg);
        }
    }
    return true;
}

std::string GuiUsage() {
    return "usage: orvane2 [OPTIONS]\n"
           "  --demo            start a simulated instrument inside the program (a "
           "pseudo-terminal,\n"
           "                    and TCP on 127.0.0.1 port " +
           std::to_string(transport::kInstrumentTcpPort) +
           " when that port is free) and choose it in the\n"
           "                    Connect dialog; the saved settings are left as they are\n"
           "  --trace           print the time-stamped trace lines on stderr (or ORVANE2_TRACE=1)\n"
           "  --comms-log FILE  write every command sent and every reply received to FILE;\n"
           "                    a regular file (or none yet) in a folder that exists\n"
           "  -d1               delete the debug file /tmp/orvane2.dbg at start-up\n"
           "  --version         print the version and exit\n"
           "  --help            print this help and exit\n";
}

std::string GuiVersion() {
    return std::string(platform::kProductName) + " " + platform::kVersionMajor + "." +
           platform::kVersionMinor + "." + platform::kVersionBuild + " (" + ui::kAppVersion + ")\n";
}

}  // namespace orvane::gui
