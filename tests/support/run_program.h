#pragma once
// Starts programs as a user's shell would: to run them to their end, or (orvane2-sim)
// to serve while a test drives it.

#include <signal.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::testing {

// How a child differs from this process. SIGXFSZ is always at its default action in it.
struct ChildSetup {
    int closed = -1;             // a standard descriptor the child starts without
    uint64_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes; 0 leaves it as it is
};

// Starts path; stdio[i], unless -1, becomes its descriptor i; each of env (NAME=value)
// replaces the variable of that name. The process id, or -1.
pid_t Spawn(const std::string& path, std::vector<std::string> args, std::array<int, 3> stdio,
            const ChildSetup& setup = {}, std::vector<std::string> env = {});

struct ProgramResult {
    int status = -1;  // the exit code; -1 when it did not exit normally within the limit
    int signal = 0;   // the signal that ended it; SIGKILL when it outlived the limit
    std::string out, err;
};

struct RunOptions {
    std::string input{};           // on stdin, which is closed after it...
    std::string holdInputUntil{};  // ...or once stdout has shown this
    std::vector<std::string> env{};
    int limitMs = 30000;
    std::string signalAfter{};   // once stdout or stderr shows this, each of signals
    std::vector<int> signals{};  // is sent in turn, 300 ms apart
    ChildSetup setup{};
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const RunOptions& options = {});

// 127.NET.x.y, made from this process's id (all of 127/8 is loopback), so that no other
// test, here or in another checkout, meets it on a fixed port.
std::string OwnLoopbackAddress(int net);

class SimProcess {
  public:
    // Its stdout is read through a pipe; its stderr goes to errFile when one is given.
    explicit SimProcess(std::vector<std::string> args, const ChildSetup& setup = {},
                        const std::string& errFile = "");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Lines of stdout up to and including "ready" (or up to the end of output).
    std::vector<std::string> LinesUntilReady();
    std::string PtyPath() const;
    void Signal(int sig) { pid_ > 0 && ::kill(pid_, sig); }
    int Wait();  // the exit code, or -1 when it did not exit normally

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::vector<std::string> lines_;
};

}  // namespace orvane::testing
