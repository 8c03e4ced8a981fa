#include "support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace orvane::testing {
namespace {

// Reads up to and including a line feed, or what came before the time ran out.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.empty() || line.back() != '\n') {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char c;
        if (::read(fd, &c, 1) != 1) break;
        line += c;
    }
    return line;
}

}  // namespace

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
    out_ = out[0];
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
}

std::vector<std::string> SimProcess::LinesUntilReady() {
    for (;;) {
        std::string line = ReadLine(out_, 10000);
        if (line.empty()) return lines_;
        if (line.back() == '\n') line.pop_back();
        lines_.push_back(line);
        if (line == "ready") return lines_;
    }
}

std::string SimProcess::Value(const std::string& prefix) const {
    for (const std::string& line : lines_) {
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    return {};
}

std::string SimProcess::PtyPath() const {
    return Value("pty: ");
}
std::string SimProcess::TcpAddress() const {
    return Value("tcp: ");
}

uint16_t SimProcess::TcpPort() const {
    std::string a = TcpAddress();
    auto colon = a.rfind(':');
    return colon == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(a.c_str() + colon + 1));
}

std::string SimProcess::RestOfOutput() {
    std::string all;
    for (;;) {
        std::string line = ReadLine(out_, 5000);
        if (line.empty()) return all;
        all += line;
    }
}

void SimProcess::Signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
}

int SimProcess::Wait() {
    int status = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid_, &status, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() > end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::testing
