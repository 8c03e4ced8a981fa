#pragma once
// The discovery socket: one UDP socket at a time, process-wide, open only while
// a discovery method runs. It is bound to a fixed local port on every local
// address with broadcast sending and address reuse on, and every query goes to
// the discovery targets (discovery_targets.h) chosen when it opens.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::transport {

// The largest datagram a query may be, and the most of an answer that is read.
inline constexpr std::size_t kUdpMaxDatagram = 1500;

// 0 ready; -1 failed (socket, bind, or no target to send to), with the reason in
// UdpLastError(). An open socket is closed first.
int UdpOpen(uint16_t localPort);
// Sends the bytes to port on every target. 0 sent (to at least one target);
// 1 gave up waiting for the socket to take them; -1 error or too long.
int UdpSendTo(const void* bytes, std::size_t length, uint16_t port);
// Takes one waiting datagram: its length, with the sender's IPv4 address (host
// byte order); 0 nothing waiting; -1 error. Never waits. Empty datagrams and
// datagrams longer than capacity are dropped unexamined.
int UdpReceiveFrom(uint32_t& sender, void* buffer, std::size_t capacity);
// Whether sender could be answering the queries of the open socket (see
// AnswerFromTargets); false when it is closed.
bool UdpSenderSearched(uint32_t sender);
void UdpClose();
bool UdpIsOpen();

// Why the last operation failed (for the trace).
std::string UdpLastError();
// How many targets the open socket sends to, and where they came from.
std::size_t UdpTargetCount();
std::string UdpTargetNote();

}  // namespace orvane::transport
