#pragma once
// The comms channel: the only path between the program and an instrument. Every
// operation hands the work to the record's link, which OpenChannel makes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "transport/connection_record.h"

namespace orvane::transport {

inline constexpr uint32_t kOpenDrainMs = 100;
inline constexpr std::string_view kWake = "\x14";  // DC4, sent after every open

// 0 opened (or already open), with a link made from record.linkOptions; -1
// could not open, with record.openError set.
int OpenChannel(ConnectionRecord& record);
void CloseChannel(ConnectionRecord& record);
// The text up to any zero byte in it. LAN: 0 sent, -1 failed. USB/serial:
// bytes written, 0 when the write failed.
int ChannelSend(std::string_view text, ConnectionRecord& record);
// The text of a reply line of at most capacity - 1 characters into line. Below
// 1 means no reply. A binary reply is replaced by its value's text.
int ChannelReceiveLine(std::string& line, std::size_t capacity, ConnectionRecord& record);
// What ChannelReadByte answers while no link is open.
int ClosedChannelReadByte(const ConnectionRecord& record);
// 0..255 a byte; -2 nothing waiting; -1 the line or connection failed. Never
// waits. Inline: the path a script or a search takes byte by byte.
inline int ChannelReadByte(ConnectionRecord& record) {
    return record.link ? record.link->ReadByte() : ClosedChannelReadByte(record);
}
// Every byte waiting, up to max, in one call: what repeated ChannelReadByte
// calls would give, at a fraction of the cost. The count (0 when nothing is
// waiting); -1 when nothing is left and the line or connection failed.
int ChannelReadBytes(ConnectionRecord& record, uint8_t* out, std::size_t max);
// Bytes already taken in from the line or socket and not yet read: what came
// with the last reply. Makes no system call.
std::size_t ChannelBuffered(const ConnectionRecord& record);
void ChannelSetTimeout(uint32_t ms, ConnectionRecord& record);
// Discards input until nothing has come for ms (at once when ms is 0).
void ChannelDrain(ConnectionRecord& record, uint32_t ms);
// What to wait on for input; kInvalidHandle while closed.
int ChannelDescriptor(const ConnectionRecord& record);

// A 4-byte binary reply: its value, and its text ("1.23450E3").
double DecodeBinaryValue(const uint8_t bytes[4]);
std::string BinaryValueText(const uint8_t bytes[4]);

}  // namespace orvane::transport
