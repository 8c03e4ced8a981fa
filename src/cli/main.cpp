// orvane2-cli: the console for automation. See --help.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/cli_options.h"
#include "cli/console_io.h"
#include "cli/standard_output.h"
#include "platform/process_start.h"

namespace {

int RunCli(int argc, char** argv, orvane::cli::StandardOutput& out) {
    const std::vector<std::string> args = orvane::cli::Utf8Arguments(argc, argv);
    std::vector<const char*> words;
    for (const std::string& a : args) words.push_back(a.c_str());
    orvane::cli::CliOptions options;
    std::string error;
    if (!orvane::cli::ParseCliOptions(static_cast<int>(words.size()), words.data(), options,
                                      error)) {
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
    orvane::cli::PrepareConsole();
    orvane::cli::StandardOutput out;
    return out.Finish(RunCli(argc, argv, out));
}
