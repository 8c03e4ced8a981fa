#pragma once
// What the Windows twins share: UTF-8 paths made wide for the system's calls,
// the system's error codes as errno values (the core's one convention for
// errors), Winsock started once, and handles and sockets kept in an int.
// Only the _win32.cpp files include this.

#include <windows.h>
#include <winsock2.h>

#include <string>
#include <string_view>

namespace orvane::platform {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A GetLastError() or WSAGetLastError() code as the nearest errno value.
int ErrnoFromSystem(DWORD error);

// The system's own words for an error code, for traces and messages.
std::string SystemErrorText(DWORD error);

// Starts Winsock 2.2 the first time it is called; the errno value of the
// failure, 0 when it is running.
int StartWinsock();

// Handles and sockets are kernel handles, whose values Windows keeps within 32
// bits (so that 32- and 64-bit programs can share them): an int holds either,
// and INVALID_HANDLE_VALUE and INVALID_SOCKET both become -1.
inline int DescriptorOf(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}
inline int DescriptorOf(SOCKET socket) {
    return static_cast<int>(static_cast<intptr_t>(socket));
}
inline HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}
inline SOCKET SocketOf(int fd) {
    return static_cast<SOCKET>(static_cast<intptr_t>(fd));
}
bool IsSocket(int fd);

}  // namespace orvane::platform
