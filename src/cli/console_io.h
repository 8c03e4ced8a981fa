#pragma once
// What the command line asks of this system's console: the arguments as
// UTF-8, whether a stream is a terminal, and the console loop's wait.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::platform {
class Clock;
}

namespace orvane::cli {

// Before anything is written: a closed pipe on stdout must show as a failed
// write, which ends the command quietly, rather than end the process mid-conversation.
void PrepareConsole();

// The program's arguments in UTF-8, whatever the system hands main.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Waits at most ms for input on stdin or on the instrument's link; true when
// stdin has something to read (or has ended), so that a read will not wait.
bool WaitForConsoleInput(platform::Clock& clock, int linkDescriptor, uint32_t ms);

}  // namespace orvane::cli
