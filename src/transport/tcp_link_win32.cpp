#include "platform/win32_support.h"
// After winsock2.h.
#include <ws2tcpip.h>

#include <cerrno>

#include "platform/clock.h"
#include "transport/discovery_targets.h"
#include "transport/tcp_link.h"

namespace orvane::transport {
namespace {

int LastSocketErrno() {
    return platform::ErrnoFromSystem(static_cast<DWORD>(::WSAGetLastError()));
}

bool SetNonBlocking(SOCKET s) {
    u_long on = 1;
    return ::ioctlsocket(s, FIONBIO, &on) == 0;
}

// Waits until the socket can take more bytes (or has failed); ms < 0 waits for ever.
// 1 ready, 0 timed out, -1 failed.
int WaitWritable(SOCKET s, long ms) {
    // select rather than WSAPoll, which on older systems never reports a refused connect.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int r = ::select(0, nullptr, &writable, &failed, ms < 0 ? nullptr : &limit);
    if (r < 0) return -1;
    return r == 0 ? 0 : 1;
}

}  // namespace

// The library stays started once it has been: sockets of the discovery and of
// later connections come and go, and starting it again costs more than it holds.
int NetStartup(NetAction action) {
    if (action == NetAction::Close) return 0;
    return platform::StartWinsock() == 0 ? 0 : -1;
}

LinkResult TcpLink::Connect(std::string_view address, const LinkOptions& options) {
    auto fail = [](int err) { return LinkResult{nullptr, err}; };
    const auto ip = ParseIpv4(address);
    if (!ip) return fail(EINVAL);
    if (int error = platform::StartWinsock()) return fail(error);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options.tcpPort);
    addr.sin_addr.s_addr = htonl(*ip);
    const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                  WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return fail(LastSocketErrno());
    platform::UniqueFd sock(platform::DescriptorOf(s));
    // Non-blocking for good: the connect is bounded, and the receive polls.
    if (!SetNonBlocking(s)) return fail(LastSocketErrno());
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return fail(LastSocketErrno());
        const int r = WaitWritable(s, kConnectWaitMs);
        if (r == 0) return fail(ETIMEDOUT);
        if (r < 0) return fail(LastSocketErrno());
        int soError = 0;
        int len = sizeof soError;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0)
            return fail(LastSocketErrno());
        if (soError != 0) return fail(platform::ErrnoFromSystem(static_cast<DWORD>(soError)));
    }
    BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return LinkResult{std::make_unique<TcpLink>(std::move(sock), options), 0};
}

TcpLink::~TcpLink() {
    if (socket_.valid()) ::shutdown(platform::SocketOf(socket_.get()), SD_SEND);
}

void TcpLink::Refill() {
    if (!socket_.valid()) return;
    const int n = ::recv(platform::SocketOf(socket_.get()), reinterpret_cast<char*>(FreeSpace()),
                         static_cast<int>(FreeSize()), 0);
    if (n > 0) {
        Took(static_cast<std::size_t>(n));
        return;
    }
    if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) return;
    // 0 is an orderly close; any other error leaves nothing to read either.
    Failed();
}

int TcpLink::Send(std::string_view bytes) {
    if (!socket_.valid()) return -1;
    const SOCKET s = platform::SocketOf(socket_.get());
    std::string text(bytes);
    text += '\0';
    std::size_t done = 0;
    while (done < text.size()) {
        const int n = ::send(s, text.data() + done, static_cast<int>(text.size() - done), 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        // The socket is non-blocking; a full send buffer waits as a blocking send would.
        if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK && WaitWritable(s, -1) > 0) continue;
        return -1;
    }
    return 0;
}

}  // namespace orvane::transport
