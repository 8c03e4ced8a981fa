#include "support/sim_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace orvane::testing {

SimProcess::SimProcess(std::vector<std::string> args, const ChildSetup& setup) {
    args.insert(args.begin(), ORVANE2_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_ = SpawnChild(argv[0], setup, actions, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = ::fdopen(out[0], "r");
}

SimProcess::~SimProcess() {
    Signal(SIGKILL);
    Wait();
    if (out_) std::fclose(out_);
}

// The simulator says "ready" as soon as it serves, or ends its output by exiting.
std::vector<std::string> SimProcess::LinesUntilReady() {
    char* line = nullptr;
    std::size_t size = 0;
    while (out_ && (lines_.empty() || lines_.back() != "ready") &&
           ::getline(&line, &size, out_) > 0) {
        lines_.emplace_back(line);
        if (lines_.back().back() == '\n') lines_.back().pop_back();
    }
    std::free(line);
    return lines_;
}

std::string SimProcess::Value(const std::string& prefix) const {
    for (const std::string& line : lines_) {
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    return {};
}

int SimProcess::Wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::testing
