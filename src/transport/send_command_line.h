#pragma once
// How a typed or scripted command line goes to the instrument.

#include <string_view>

#include "transport/connection_record.h"

namespace orvane::transport {

// The bytes a command line becomes: "^A".."^Z" (either case) and "^[" turn into
// that one control byte, anything else is sent as typed; a line feed follows.
std::string CommandLineBytes(std::string_view text);

enum class SendResult { Sent, Failed };

// Sends the command line. Only a LAN send can tell that it failed.
SendResult SendCommandLine(std::string_view text, ConnectionRecord& record);

}  // namespace orvane::transport
