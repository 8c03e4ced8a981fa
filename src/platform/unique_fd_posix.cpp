#include <unistd.h>

#include "platform/unique_fd.h"

namespace orvane::platform {

void CloseDescriptor(int fd) {
    ::close(fd);
}

}  // namespace orvane::platform
