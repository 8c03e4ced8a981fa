#include "sim/sockets_win32.h"

#include <windows.h>

namespace orvane::sim {

bool StartSockets(std::string& error) {
    // Winsock counts its starts; one for the life of the process is enough.
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0) error = "Winsock did not start: " + SocketErrorText(started);
    return started == 0;
}

int OpenSocket(int type, int protocol, std::string& error) {
    if (!StartSockets(error)) return -1;
    SOCKET s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    u_long on = 1;
    if (s != INVALID_SOCKET && ::ioctlsocket(s, FIONBIO, &on) != 0) {
        ::closesocket(s);
        s = INVALID_SOCKET;
    }
    if (s == INVALID_SOCKET) error = SocketErrorText(::WSAGetLastError());
    return AsDescriptor(s);
}

std::string SocketErrorText(int code) {
    char* text = nullptr;
    DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n > 0 && text ? std::string(text, n) : "error " + std::to_string(code);
    ::LocalFree(text);
    // The system's texts end in a full stop and a line end.
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' '))
        out.pop_back();
    return out;
}

}  // namespace orvane::sim
