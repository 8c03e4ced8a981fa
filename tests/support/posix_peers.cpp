#include "support/posix_peers.h"

#include <arpa/inet.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace orvane::testing {

std::string ReadQuiet(int fd, int quietMs) {
    std::string out;
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0) break;
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("peer write failed");
        done += static_cast<std::size_t>(n);
    }
}

PtyPeer::PtyPeer() {
    char name[256];
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    path_ = name;
}

PtyPeer::~PtyPeer() {
    Unplug();
    if (slave_ >= 0) ::close(slave_);
}

void PtyPeer::Write(const std::string& bytes) {
    WriteAll(master_, bytes);
}
std::string PtyPeer::Read(int quietMs) {
    return ReadQuiet(master_, quietMs);
}

void PtyPeer::Unplug() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

LoopbackListener::LoopbackListener(const char* address) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &addr.sin_addr);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 8) != 0) {
        throw std::runtime_error("listen failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

LoopbackListener::~LoopbackListener() {
    CloseClient();
    ::close(listener_);
}

int LoopbackListener::Accept() {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return -1;
    CloseClient();
    client_ = ::accept(listener_, nullptr, nullptr);
    return client_;
}

void LoopbackListener::Write(const std::string& bytes) {
    WriteAll(client_, bytes);
}
std::string LoopbackListener::Read(int quietMs) {
    return ReadQuiet(client_, quietMs);
}

void LoopbackListener::CloseClient() {
    if (client_ >= 0) ::close(client_);
    client_ = -1;
}

}  // namespace orvane::testing
