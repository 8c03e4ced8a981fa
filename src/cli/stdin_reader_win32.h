#pragma once
// stdin, read on a thread of its own. A Windows console has no way to ask
// "would a read wait?" that holds everywhere (its event count stays at zero
// until a read is pending on some consoles), and a pipe none at all: the
// thread waits in the read instead, and the console loop takes what it got.

#include <string>

namespace orvane::cli::stdin_reader {

// Starts the thread once; later calls do nothing. keys: stdin is a console in
// raw mode, and each key comes as the bytes a POSIX terminal sends for it;
// otherwise the bytes come as they are read.
void Start(bool keys);
// Something came, or the input ended.
bool Ready();
// Appends what came since the last call; false once the input has ended and
// everything before the end was taken.
bool Take(std::string& into);

}  // namespace orvane::cli::stdin_reader
