#include <poll.h>
#include <unistd.h>

#include <csignal>

#include "cli/console_io.h"
#include "cli/terminal_ui.h"

namespace orvane::cli {

void PrepareConsole() {
    std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

bool WaitForConsoleInput(platform::Clock&, int linkDescriptor, uint32_t ms) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {linkDescriptor, POLLIN, 0}};
    ::poll(fds, 2, static_cast<int>(ms));
    // POLLHUP, POLLERR or POLLNVAL too: the read then finds the end of input.
    return fds[0].revents != 0;
}

}  // namespace orvane::cli
