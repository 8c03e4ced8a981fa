#include "fuzz_support.h"

#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>

#include "support/temp_folder.h"
#include "transport/tcp_link.h"

namespace orvane::fuzz {

std::string WriteScratchFile(std::string_view name, std::string_view bytes) {
    static const orvane::testing::TempFolder folder;
    return folder.Write(std::string(name), std::string(bytes));
}

platform::UniqueFd ConnectInstrument(transport::ConnectionRecord& record,
                                     transport::LinkOptions options) {
    int fds[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
    record.interfaceKind = transport::InterfaceKind::Lan;
    record.ipAddress = "127.0.0.1";
    record.linkOptions = options;
    record.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(fds[0]), options);
    record.channelOpen = true;  // the connect itself is the TCP client's business
    return platform::UniqueFd(fds[1]);
}

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz: check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

}  // namespace orvane::fuzz
