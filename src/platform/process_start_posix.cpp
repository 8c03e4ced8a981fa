#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/process_start.h"

namespace orvane::platform {

void PrepareProcess() {
    // In rising order, so that each open takes the lowest free number: the one
    // being filled.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0) {
            // Without /dev/null, a folder still holds the number: reading and
            // writing it fail rather than reach anything.
            (void)!::open("/", O_RDONLY | O_DIRECTORY);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace orvane::platform
