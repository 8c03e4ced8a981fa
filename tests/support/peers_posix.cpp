#include <arpa/inet.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/peers.h"

namespace orvane::testing {
namespace {

class PtyPeer final : public SerialPeer {
  public:
    PtyPeer() {  // raw; its slave is what the driver opens
        char name[256];
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&fd_, &slave_, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path_ = name;
    }
    ~PtyPeer() override { ::close(slave_); }
    const std::string& path() const override { return path_; }

  private:
    int slave_ = -1;  // held so the line stays up between the driver's opens
    std::string path_;
};

}  // namespace

void Peer::Write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        // No SIGPIPE when the link has already gone.
        ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("peer write failed");
        done += static_cast<std::size_t>(n);
    }
}

std::string Peer::Read(int quietMs) {
    std::string out;
    char buf[4096];
    pollfd p{fd_, POLLIN, 0};
    for (ssize_t n; ::poll(&p, 1, quietMs) > 0 && (n = ::read(fd_, buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    return out;
}

void Peer::Unplug() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::unique_ptr<SerialPeer> MakeSerialPeer() {
    return std::make_unique<PtyPeer>();
}

LoopbackListener::LoopbackListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("listen failed");
    port_ = ntohs(addr.sin_port);
}

LoopbackListener::~LoopbackListener() {
    ::close(listener_);
}

int LoopbackListener::Accept() {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return -1;
    Unplug();
    return fd_ = ::accept(listener_, nullptr, nullptr);
}

}  // namespace orvane::testing
