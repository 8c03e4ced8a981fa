#pragma once
// While alive, no file of this process may grow past maxBytes: a write beyond
// it fails with EFBIG, as on a full disk.

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

namespace orvane::testing {

class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t maxBytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = maxBytes;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*oldHandler_)(int);
};

}  // namespace orvane::testing
