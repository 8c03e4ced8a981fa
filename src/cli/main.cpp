// orvane2-cli: the console for automation. See --help.

#include <csignal>
#include <cstdio>

#include "cli/cli_app.h"
#include "cli/cli_options.h"
#include "platform/debug_output.h"

int main(int argc, char** argv) {
    // A closed pipe on stdout ends the program through a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    orvane::platform::EnableDebugOutputFromEnvironment();
    orvane::cli::CliOptions options;
    std::string error;
    if (!orvane::cli::ParseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvane2-cli: %s\n\n%s", error.c_str(), orvane::cli::CliUsage().c_str());
        return orvane::cli::kExitUsage;
    }
    if (options.help) {
        std::fputs(orvane::cli::CliUsage().c_str(), stdout);
        return orvane::cli::kExitOk;
    }
    if (options.version) {
        std::fputs(orvane::cli::CliVersion().c_str(), stdout);
        return orvane::cli::kExitOk;
    }
    return orvane::cli::CliApp(std::move(options)).Run();
}
