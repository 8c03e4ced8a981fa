#include "transport/send_command_line.h"

#include <string>

#include "platform/text.h"
#include "transport/channel.h"

namespace orvane::transport {

std::string CommandLineBytes(std::string_view text) {
    // The channel takes zero-terminated text, so a zero byte ends the line there
    // and the line feed still follows.
    text = text.substr(0, text.find('\0'));
    if (text.size() >= 2 && text[0] == '^') {
        char c = platform::ToUpperAscii(text[1]);
        if ((c >= 'A' && c <= 'Z') || c == '[')
            return std::string(1, static_cast<char>(c - 0x40)) + "\n";
    }
    std::string bytes(text);
    bytes += '\n';
    return bytes;
}

SendResult SendCommandLine(std::string_view text, ConnectionRecord& record) {
    return ChannelSend(CommandLineBytes(text), record) < 0 ? SendResult::Failed : SendResult::Sent;
}

}  // namespace orvane::transport
