#pragma once
// Runs a program to its end and keeps what it printed, or starts one that runs on.

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

// How a child differs from this process. SIGXFSZ is always at its default
// action in the child, whatever this process does with it.
struct ChildSetup {
    int closed = -1;             // a standard descriptor the child starts without
    uint64_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes; 0 leaves it as it is
    std::string errFile{};       // where its stderr goes, when not given otherwise
};

struct RunOptions {
    std::string input{};             // on stdin, which is closed after it...
    std::string holdInputUntil{};    // ...or once stdout has shown this
    std::vector<std::string> env{};  // NAME=value, each replacing the variable of that name
    int limitMs = 30000;
    std::string signalAfter{};   // once stdout or stderr shows this, each of signals
    std::vector<int> signals{};  // is sent in turn, 300 ms apart
    ChildSetup setup{};
};

// posix_spawn with the setup added to the file actions; -1 when it failed.
pid_t SpawnChild(const std::string& path, const ChildSetup& setup,
                 posix_spawn_file_actions_t& actions, char* const argv[], char* const envp[]);

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const RunOptions& options = {});

// 127.NET.x.y, made from this process's id (all of 127/8 is loopback), so that no
// other test, here or in another checkout, meets it on a fixed port.
std::string OwnLoopbackAddress(int net);

}  // namespace orvane::testing
