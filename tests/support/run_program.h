#pragma once
// Runs a program to its end, with text on its stdin, and keeps what it printed.
// With holdInputUntil, stdin stays open until stdout has shown that text. Variables
// in env replace those of the same name.

#include <spawn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::testing {

struct ProgramResult {
    int status = -1;  // the exit code; -1 when it did not exit normally within the limit
    std::string out;
    std::string err;
    int signal = 0;  // the signal that ended it; SIGKILL when it outlived the limit
};

// Once stdout or stderr has shown `after`, each of `signals` is sent in turn, gapMs apart.
struct SignalsOnOutput {
    std::string after;
    std::vector<int> signals;
    int gapMs = 300;
};

// How a child differs from this process. SIGXFSZ is always at its default
// action in the child, whatever this process does with it.
struct ChildSetup {
    int closed = -1;             // a standard descriptor the child starts without
    uint64_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes; 0 leaves it as it is
    std::string errFile;         // where its stderr goes, when not given otherwise
};

// posix_spawn with the setup added to the file actions; -1 when it failed.
pid_t SpawnChild(const std::string& path, const ChildSetup& setup,
                 posix_spawn_file_actions_t& actions, char* const argv[], char* const envp[]);

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::string& input = {}, const std::vector<std::string>& env = {},
                         int limitMs = 30000, const std::string& holdInputUntil = {},
                         const SignalsOnOutput& send = {}, const ChildSetup& setup = {});

}  // namespace orvane::testing
