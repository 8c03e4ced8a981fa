#pragma once
// The serial port driver: USB virtual COM ports and RS-232 lines on termios.
// Handles are file descriptors; kInvalidHandle when nothing is open.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orvane::transport {

// "ttyUSB0" becomes "/dev/ttyUSB0"; a text starting with "/" is used as it stands.
std::string SerialDevicePath(const std::string& comPort);

// The baud rates a port can be set to, rising.
std::span<const uint32_t> SerialBaudRates();
bool IsSerialBaudRate(uint32_t baud);

// Opens the device exclusively, raw, 8N1, no hardware flow control, DTR and RTS
// on, read time-out 5000 ms. Returns the handle, or kInvalidHandle with the
// errno value in *osError (EBUSY when another program holds the port; EINVAL,
// before the device is touched, for a rate not in SerialBaudRates).
int SerialOpen(const char* path, uint32_t baud, int* osError = nullptr);
// Discards what is queued either way, closes, and sets the variable invalid.
void SerialClose(int& handle);
// Bytes written; 0 when the write failed.
int SerialWrite(int handle, const char* text);
// 0..255 a byte; -2 nothing waiting; -1 read failure or hang-up. Never waits.
int SerialReadByte(int handle);
// Up to max waiting bytes at once; 0 when none, -1 as SerialReadByte.
int SerialReadBytes(int handle, uint8_t* out, std::size_t max);
// Bytes already read ahead from the line and not yet handed out. Makes no
// system call, so it knows nothing of what the kernel holds.
std::size_t SerialBuffered(int handle);
// Reads up to a line feed (kept), capacity - 1 bytes or a read time-out; the
// text is cut at its first carriage return. Returns the length of the text.
int SerialReadLine(int handle, char* buffer, std::size_t capacity);
bool SerialSetReadTimeout(int handle, uint32_t ms);

}  // namespace orvane::transport
