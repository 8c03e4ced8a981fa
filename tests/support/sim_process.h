#pragma once
// orvane2-sim as a separate process, the way users and scripts run it.

#include <sys/types.h>

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

    bool Started() const { return pid_ > 0; }
    // Lines of stdout up to and including "ready" (or up to the end of output).
    std::vector<std::string> LinesUntilReady();
    // The value after "pty: " or "tcp: " in the lines read so far.
    std::string PtyPath() const;
    std::string TcpAddress() const;  // ADDRESS:PORT
    uint16_t TcpPort() const;
    std::string RestOfOutput();

    void Signal(int sig);
    // The exit code, or -1 when it did not exit normally within five seconds.
    int Wait();

  private:
    std::string Value(const std::string& prefix) const;

    pid_t pid_ = -1;
    int out_ = -1;
    std::vector<std::string> lines_;
};

}  // namespace orvane::testing
