#pragma once
// orvane2-sim as a separate process, the way users and scripts run it.

#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace orvane::testing {

class SimProcess {
  public:
    // Starts orvane2-sim with these arguments; stdout is read through a pipe.
    explicit SimProcess(std::vector<std::string> args, const ChildSetup& setup = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Lines of stdout up to and including "ready" (or up to the end of output).
    std::vector<std::string> LinesUntilReady();
    std::string PtyPath() const { return Value("pty: "); }
    void Signal(int sig) { pid_ > 0 && ::kill(pid_, sig); }
    int Wait();  // the exit code, or -1 when it did not exit normally

  private:
    std::string Value(const std::string& prefix) const;

    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    std::vector<std::string> lines_;
};

}  // namespace orvane::testing
