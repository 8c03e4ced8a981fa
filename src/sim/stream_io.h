#pragma once
// The endpoints' byte moves on this system's descriptors, without waiting: a
// socket, or (POSIX only) a pseudo-terminal's master.

#include <cstddef>

namespace orvane::sim {

struct StreamIo {
    enum Outcome { kMoved, kAgain, kClosed } outcome;
    std::size_t n = 0;  // bytes moved, for kMoved
};

// kClosed on end of stream or any failure but an interruption (retried) and
// "would block" (kAgain).
StreamIo ReadStream(int fd, bool socket, char* buf, std::size_t size);
StreamIo WriteStream(int fd, bool socket, const char* data, std::size_t size);

// The poll events for "readable" and "writable" on this system.
extern const short kReadableEvents;
extern const short kWritableEvents;

}  // namespace orvane::sim
