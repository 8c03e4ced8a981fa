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
                         const std::string& input, const std::vector<std::string>& env, int limitMs,
                         const std::string& holdInputUntil, const SignalsOnOutput& send,
                         const ChildSetup& setup) {
    ProgramResult result;
    std::vector<std::string> argStore = args;
    argStore.insert(argStore.begin(), path);
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    // A variable given in env replaces the one of the same name.
    for (char** e = environ; *e; ++e) {
        std::string_view name(*e, std::string_view(*e).find('='));
        bool replaced = false;
        for (const std::string& given : env)
            replaced = replaced || given.rfind(std::string(name) + "=", 0) == 0;
        if (!replaced) envStore.emplace_back(*e);
    }
    for (const std::string& e : env) envStore.push_back(e);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = SpawnChild(path, setup, actions, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return result;
    }
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) (void)!::write(in[1], input.data(), input.size());
    if (holdInputUntil.empty()) ::close(std::exchange(in[1], -1));

    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    bool outOpen = true, errOpen = true;
    std::size_t sent = 0;
    auto nextSignal = std::chrono::steady_clock::now();
    while (outOpen || errOpen) {
        auto now = std::chrono::steady_clock::now();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        if (left.count() <= 0) break;
        bool signalling = sent < send.signals.size() &&
                          (result.out + result.err).find(send.after) != std::string::npos;
        if (signalling && now >= nextSignal) {
            ::kill(pid, send.signals[sent++]);
            nextSignal = now + std::chrono::milliseconds(send.gapMs);
        }
        int waitMs = signalling ? std::min(send.gapMs, static_cast<int>(left.count()))
                                : static_cast<int>(left.count());
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 || (ready == 0 && !signalling)) break;
        char buf[4096];
        if (fds[0].revents) {
            ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n > 0)
                result.out.append(buf, static_cast<std::size_t>(n));
            else
                outOpen = false;
            if (in[1] >= 0 && result.out.find(holdInputUntil) != std::string::npos)
                ::close(std::exchange(in[1], -1));
        }
        if (fds[1].revents) {
            ssize_t n = ::read(err[0], buf, sizeof buf);
            if (n > 0)
                result.err.append(buf, static_cast<std::size_t>(n));
            else
                errOpen = false;
        }
    }
    if (in[1] >= 0) ::close(in[1]);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    if (outOpen || errOpen) ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    result.status = (!outOpen && !errOpen && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace orvane::testing
