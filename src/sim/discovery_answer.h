#pragma once
// What a simulated instrument answers to the two LAN discovery queries: the
// valid answer, or one of the forms a client must ignore.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/instrument_config.h"

namespace orvane::sim {

enum class DiscoveryMethod { Echo, Query };

inline constexpr uint16_t kEchoDiscoveryPort = 65535;
inline constexpr uint16_t kQueryDiscoveryPort = 30718;

enum class DiscoveryAnswer {
    Valid,
    Silent,       // receives the query, sends nothing
    Empty,        // a datagram without bytes
    Oversized,    // a valid answer padded to 1500 bytes
    OtherPort,    // echo: the number after "/" is not the TCP port
    Short,        // echo: 25 bytes
    NotA,         // echo: does not start with "A"
    Length29,     // query: one byte short
    Length31,     // query: one byte over
    WrongMarker,  // query: the fourth byte is not 0xF7
};

// The name used on the command line ("valid", "other-port", ...), and back.
std::string_view DiscoveryAnswerName(DiscoveryAnswer answer);
bool ParseDiscoveryAnswer(std::string_view name, DiscoveryAnswer& answer);
// The forms that make sense for a method; the others are refused.
bool AnswerFitsMethod(DiscoveryAnswer answer, DiscoveryMethod method);

// True for the query the method's instruments answer.
bool IsDiscoveryQuery(DiscoveryMethod method, const uint8_t* data, std::size_t length);

// The answer's bytes. tcpPort is the instrument's TCP port, which an echo answer
// names; address (host byte order) seeds the hardware-address bytes of a query answer.
std::string DiscoveryAnswerBytes(DiscoveryMethod method, DiscoveryAnswer answer,
                                 const InstrumentConfig& config, uint16_t tcpPort,
                                 uint32_t address);

}  // namespace orvane::sim
