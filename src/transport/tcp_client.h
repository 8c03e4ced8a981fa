#pragma once
// The TCP client of a LAN instrument: bounded connect, sends with the zero byte
// after every text, and the receive ring that the channel reads from.

#include <cstddef>
#include <cstdint>

namespace orvane::transport {

struct ConnectionRecord;

inline constexpr uint16_t kInstrumentTcpPort = 10001;
inline constexpr uint32_t kConnectWaitMs = 2000;

enum class NetAction { Open, Close };
// Open: 0 started (or already started), -1 failed. Close: 0.
int NetStartup(NetAction action);
bool NetStarted();

// 0 connected; -1 failed, with the socket variable invalid and the errno value
// in *osError (EINVAL for a text that is not a dotted IPv4 address, ETIMEDOUT
// when nothing answered within 2 s).
int TcpConnect(const char* address, int& socket, int* osError = nullptr);
void TcpClose(int& socket);
// Sends the text and its terminating zero byte. 0 sent, -1 failed.
int TcpSend(ConnectionRecord& record, const char* text);
// 0..255 the next byte; -2 nothing waiting; -1 the instrument closed the
// connection and every byte it sent has been handed out. Never waits.
int TcpReadByte(ConnectionRecord& record);
// Up to max waiting bytes at once; 0 when none, -1 as TcpReadByte.
int TcpReadBytes(ConnectionRecord& record, uint8_t* out, std::size_t max);
// Reads a line (line feed not stored, carriage returns dropped, excess of a long
// line dropped). Number of characters stored; -1 on a time-out or a closed connection.
// Dropping goes on for one LAN time-out at most: a line that never ends is
// returned as stored once bytes have come that long without one being stored.
int TcpReadLine(ConnectionRecord& record, char* buffer, std::size_t capacity);

// The reply time-out of every LAN record, 5000 ms at start.
void SetLanTimeout(uint32_t ms);
uint32_t LanTimeout();

// The instrument port; tests and benchmarks move it off 10001.
void SetInstrumentTcpPort(uint16_t port);
uint16_t InstrumentTcpPort();

}  // namespace orvane::transport
