#include "platform/unique_fd.h"
#include "platform/win32_support.h"

namespace orvane::platform {

void CloseDescriptor(int fd) {
    if (IsSocket(fd)) {
        ::closesocket(SocketOf(fd));
    } else {
        ::CloseHandle(HandleOf(fd));
    }
}

}  // namespace orvane::platform
