#pragma once
// Sockets for the simulator's endpoints on Winsock. A socket travels as an int
// like a POSIX descriptor (platform::UniqueFd closes it).

#include <string>

#include "platform/win32_support.h"

namespace orvane::sim {

using platform::DescriptorOf;
using platform::SocketOf;

// A non-blocking IPv4 socket of the given type, not inherited by child
// processes; -1 with the reason when none could be made.
int OpenSocket(int type, int protocol, std::string& error);

// The system's text for the last Winsock error.
std::string LastSocketError();

}  // namespace orvane::sim
