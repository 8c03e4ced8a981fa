#pragma once
// What every row of the fault matrix checks once the program has dealt with the fault:
// no descriptor of the connection left open, no thread left spinning; and file-system
// faults that work for root as well (who ignores permission bits).

#include <functional>
#include <set>
#include <string>

namespace orvane::testing {

// The descriptors this process has open, as "fd -> what it refers to" lines.
std::set<std::string> OpenDescriptors();

// Those opened since baseline that are still open after a second (empty: released).
std::set<std::string> DescriptorsLeftOpen(const std::set<std::string>& baseline);

// The share of one core this process used over periodMs of real time while the
// caller's thread only slept, or only called everyMs each millisecond.
double CpuShareWhileSleeping(int periodMs = 300, const std::function<void()>& everyMs = nullptr);

// While alive, file permissions are checked as an ordinary user, so a folder without
// write permission refuses writes even in a root test run.
class ScopedOrdinaryUser {
  public:
    ScopedOrdinaryUser();
    ~ScopedOrdinaryUser();
    bool ok() const { return ok_; }

  private:
    bool wasRoot_ = false;
    bool ok_ = true;
};

}  // namespace orvane::testing
