#pragma once
// The one owner of an open descriptor (a port, a socket, a pipe end): closed
// when the owner goes, so no error path can leak one or close it twice.

#include <utility>

namespace orvane::platform {

// Closes a descriptor of this system: a file or device, or a socket (which
// Windows closes differently).
void CloseDescriptor(int fd);

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) CloseDescriptor(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

}  // namespace orvane::platform
