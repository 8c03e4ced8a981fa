#include "fault_checks.h"

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace orvane::testing {

std::set<std::string> OpenDescriptors() {
    std::set<std::string> out;
    DIR* dir = ::opendir("/proc/self/fd");
    while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == ::dirfd(dir)) continue;
        char target[512] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        out.insert(std::string(entry->d_name) + " -> " + (n > 0 ? target : "?"));
    }
    if (dir) ::closedir(dir);
    return out;
}

std::set<std::string> DescriptorsLeftOpen(const std::set<std::string>& baseline) {
    std::set<std::string> left;
    for (int waited = 0;; waited += 10) {
        left.clear();
        for (const std::string& d : OpenDescriptors())
            if (!baseline.count(d)) left.insert(d);
        if (left.empty() || waited >= 1000) return left;
        ::usleep(10 * 1000);
    }
}

namespace {
double Seconds(clockid_t id) {
    timespec t{};
    ::clock_gettime(id, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
}  // namespace

double CpuShareWhileSleeping(int periodMs, const std::function<void()>& everyMs) {
    const double cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID), wall0 = Seconds(CLOCK_MONOTONIC);
    do {
        if (everyMs) everyMs();
        ::usleep(everyMs ? 1000 : static_cast<useconds_t>(periodMs) * 1000);
    } while (Seconds(CLOCK_MONOTONIC) - wall0 < periodMs / 1000.0);
    return (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0) / (Seconds(CLOCK_MONOTONIC) - wall0);
}

// nobody:nogroup; only the effective ids change, so root comes back after.
ScopedOrdinaryUser::ScopedOrdinaryUser() : wasRoot_(::geteuid() == 0) {
    if (wasRoot_) ok_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
}

ScopedOrdinaryUser::~ScopedOrdinaryUser() {
    if (wasRoot_ && (::seteuid(0) != 0 || ::setegid(0) != 0)) std::abort();
}

}  // namespace orvane::testing
