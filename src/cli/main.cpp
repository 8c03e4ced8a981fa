// orvane2-cli: the console for automation. See --help.

#include <csignal>
#include <cstdio>

#include "cli/cli_app.h"
#include "cli/cli_options.h"
#include "cli/standard_output.h"
#include "platform/process_start.h"

namespace {

int RunCli(int argc, char** argv, orvane::cli::StandardOutput& out) {
    orvane::cli::CliOptions options;
    std::string error;
    if (!orvane::cli::ParseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvane2-cli: %s\n", error.c_str());
        if (options.command.empty()) {
            std::fputs(orvane::cli::kTryHelp, stderr);
        } else {
            std::fprintf(stderr, orvane::cli::kTryCommandHelp, options.command.c_str());
        }
        return orvane::cli::kExitUsage;
    }
    if (options.help) {
        out.Write(options.helpCommand.empty() ? orvane::cli::CliUsage()
                                              : orvane::cli::CommandUsage(options.helpCommand));
        return orvane::cli::kExitOk;
    }
    if (options.version) {
        out.Write(orvane::cli::CliVersion());
        return orvane::cli::kExitOk;
    }
    return orvane::cli::CliApp(std::move(options), out).Run();
}

}  // namespace

int main(int argc, char** argv) {
    orvane::platform::PrepareProcess();
    // A closed pipe on stdout shows as a failed write, which ends the command
    // quietly, instead of a signal that kills it mid-conversation.
    std::signal(SIGPIPE, SIG_IGN);
    orvane::cli::StandardOutput out;
    return out.Finish(RunCli(argc, argv, out));
}
