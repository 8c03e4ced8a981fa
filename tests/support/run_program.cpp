#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace orvane::testing {

pid_t Spawn(const std::string& path, std::vector<std::string> args, std::array<int, 3> stdio,
            const ChildSetup& setup, std::vector<std::string> env) {
    args.insert(args.begin(), path);
    for (char** e = environ; *e; ++e) env.emplace_back(*e);  // getenv takes the first
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd)
        if (stdio[fd] >= 0) posix_spawn_file_actions_adddup2(&actions, stdio[fd], fd);
    if (setup.closed >= 0) posix_spawn_file_actions_addclose(&actions, setup.closed);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    // The child inherits the limit; this process has it only for the moment of the spawn.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    if (setup.fileSizeLimit > 0) limit.rlim_cur = setup.fileSizeLimit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), envp.data()) != 0) pid = -1;
    ::setrlimit(RLIMIT_FSIZE, &old);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return pid;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const RunOptions& o) {
    using namespace std::chrono;
    constexpr int kSignalGapMs = 300;
    ProgramResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = Spawn(path, args, {in[0], out[1], err[1]}, o.setup, o.env);
    for (int fd : {in[0], out[1], err[1]}) ::close(fd);
    ::signal(SIGPIPE, SIG_IGN);
    if (pid >= 0 && !o.input.empty()) (void)!::write(in[1], o.input.data(), o.input.size());
    if (pid < 0 || o.holdInputUntil.empty()) ::close(std::exchange(in[1], -1));

    const auto end = steady_clock::now() + milliseconds(o.limitMs);
    auto nextSignal = steady_clock::now();
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    std::size_t sent = 0;
    while (pid >= 0 && (fds[0].fd >= 0 || fds[1].fd >= 0)) {
        const auto now = steady_clock::now();
        const int left = static_cast<int>(duration_cast<milliseconds>(end - now).count());
        if (left <= 0) break;
        const bool signalling = sent < o.signals.size() &&
                                (result.out + result.err).find(o.signalAfter) != std::string::npos;
        if (signalling && now >= nextSignal) {
            ::kill(pid, o.signals[sent++]);
            nextSignal = now + milliseconds(kSignalGapMs);
        }
        const int ready = ::poll(fds, 2, signalling ? std::min(kSignalGapMs, left) : left);
        if (ready < 0 || (ready == 0 && !signalling)) break;
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) ::close(std::exchange(fds[i].fd, -1));
            if (n > 0) into[i]->append(buf, static_cast<std::size_t>(n));
        }
        if (in[1] >= 0 && result.out.find(o.holdInputUntil) != std::string::npos)
            ::close(std::exchange(in[1], -1));
    }
    const bool ended = fds[0].fd < 0 && fds[1].fd < 0;
    for (int fd : {in[1], fds[0].fd, fds[1].fd})
        if (fd >= 0) ::close(fd);
    if (pid < 0) return result;
    if (!ended) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::string OwnLoopbackAddress(int net) {
    const unsigned pid = static_cast<unsigned>(::getpid());
    return "127." + std::to_string(net) + "." + std::to_string((pid >> 8) & 0xff) + "." +
           std::to_string(1 + pid % 254);
}

SimProcess::SimProcess(std::vector<std::string> args, const ChildSetup& setup,
                       const std::string& errFile) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    const int err =
        errFile.empty() ? -1 : ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    pid_ = Spawn(ORVANE2_SIM_PATH, std::move(args), {-1, out[1], err}, setup);
    for (int fd : {out[1], err})
        if (fd >= 0) ::close(fd);
    out_ = out[0];
}

SimProcess::~SimProcess() {
    Signal(SIGKILL);
    Wait();
    if (out_ >= 0) ::close(out_);
}

// The simulator says "ready" as soon as it serves, or ends its output by exiting.
std::vector<std::string> SimProcess::LinesUntilReady() {
    std::string line;
    char c;
    while ((lines_.empty() || lines_.back() != "ready") && ::read(out_, &c, 1) == 1) {
        if (c != '\n') {
            line += c;
        } else {
            lines_.push_back(std::exchange(line, {}));
        }
    }
    return lines_;
}

std::string SimProcess::PtyPath() const {
    for (const std::string& line : lines_)
        if (line.starts_with("pty: ")) return line.substr(5);
    return {};
}

int SimProcess::Wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::testing
