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
#include <string_view>
#include <utility>

extern char** environ;

namespace orvane::testing {

pid_t SpawnChild(const std::string& path, const ChildSetup& setup,
                 posix_spawn_file_actions_t& actions, char* const argv[], char* const envp[]) {
    if (!setup.errFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, setup.errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
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
    if (setup.fileSizeLimit > 0) {
        rlimit lower = old;
        lower.rlim_cur = setup.fileSizeLimit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, &attr, argv, envp) != 0) pid = -1;
    if (setup.fileSizeLimit > 0) ::setrlimit(RLIMIT_FSIZE, &old);
    posix_spawnattr_destroy(&attr);
    return pid;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const RunOptions& o) {
    constexpr int kSignalGapMs = 300;
    ProgramResult result;
    const std::vector<std::string>& env = o.env;
    std::vector<std::string> argStore = args, envStore = env;
    argStore.insert(argStore.begin(), path);
    // A variable given in env replaces the one of the same name.
    for (char** e = environ; *e; ++e) {
        const std::string_view name(*e, std::string_view(*e).find('=') + 1);
        if (std::none_of(env.begin(), env.end(),
                         [&](const std::string& g) { return g.starts_with(name); }))
            envStore.emplace_back(*e);
    }
    std::vector<char*> argv, envp;
    for (std::string& a : argStore) argv.push_back(a.data());
    for (std::string& e : envStore) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const pid_t pid = SpawnChild(path, o.setup, actions, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]}) ::close(fd);
    signal(SIGPIPE, SIG_IGN);
    if (pid >= 0 && !o.input.empty()) (void)!::write(in[1], o.input.data(), o.input.size());
    if (pid < 0 || o.holdInputUntil.empty()) ::close(std::exchange(in[1], -1));

    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(o.limitMs);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    std::size_t sent = 0;
    auto nextSignal = Clock::now();
    while (pid >= 0 && (fds[0].fd >= 0 || fds[1].fd >= 0)) {
        const auto now = Clock::now();
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count());
        if (left <= 0) break;
        const bool signalling = sent < o.signals.size() &&
                                (result.out + result.err).find(o.signalAfter) != std::string::npos;
        if (signalling && now >= nextSignal) {
            ::kill(pid, o.signals[sent++]);
            nextSignal = now + std::chrono::milliseconds(kSignalGapMs);
        }
        const int ready = ::poll(fds, 2, signalling ? std::min(kSignalGapMs, left) : left);
        if (ready < 0 || (ready == 0 && !signalling)) break;
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                ::close(std::exchange(fds[i].fd, -1));
            }
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

}  // namespace orvane::testing
