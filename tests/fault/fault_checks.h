#pragma once
// What every row of the fault matrix checks once the program has dealt with the
// fault: no descriptor of the connection left open, no thread left spinning, and
// file-system faults that work for root as well (who ignores permission bits).

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "support/temp_folder.h"  // the rows make their files in one

namespace orvane::testing {

// The descriptors this process has open, as "fd -> what it refers to" lines.
std::set<std::string> OpenDescriptors();

// Waits up to withinMs (real time) for every descriptor opened since baseline to
// be closed; returns the ones still open (empty: released).
std::set<std::string> DescriptorsLeftOpen(const std::set<std::string>& baseline,
                                          int withinMs = 1000);

// The share of one core this process used over periodMs of real time while the
// caller's thread only slept, or only called everyMs each millisecond.
double CpuShareWhileSleeping(int periodMs = 300, const std::function<void()>& everyMs = nullptr);

// While alive, file permissions are checked as an ordinary user, so a folder
// without write permission refuses writes even in a root test run.
class ScopedOrdinaryUser {
  public:
    ScopedOrdinaryUser();
    ~ScopedOrdinaryUser();
    ScopedOrdinaryUser(const ScopedOrdinaryUser&) = delete;
    ScopedOrdinaryUser& operator=(const ScopedOrdinaryUser&) = delete;
    bool ok() const { return ok_; }

  private:
    bool wasRoot_ = false;
    bool ok_ = true;
};

// While alive, no file of this process may grow past maxBytes: a write beyond it
// fails with EFBIG, as on a full disk (SIGXFSZ is ignored meanwhile).
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(uint64_t maxBytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  private:
    uint64_t oldSoft_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace orvane::testing
