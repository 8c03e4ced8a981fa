#pragma once
// LAN instrument discovery: two UDP queries sent to the subnet, and the list of
// the addresses that gave a valid answer to either.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/fixed_text.h"
#include "transport/link.h"

namespace orvane::transport {

inline constexpr int kFoundListSize = 256;

struct FoundInstrument {
    platform::FixedText<16> ipText;     // dotted sender address; empty ends the list
    platform::FixedText<128> identity;  // the answer to "*IDN?\n", once accepted
};

using FoundList = std::array<FoundInstrument, kFoundListSize>;

// Local ports the methods bind and the ports their queries go to (tests move
// them off the fixed numbers so that runs side by side do not share a port),
// and where the queries go.
struct DiscoverySettings {
    uint16_t echoLocal = 65534;
    uint16_t echoQuery = 65535;
    uint16_t queryLocal = 30718;
    uint16_t queryQuery = 30718;
    uint16_t tcpPort =
        kInstrumentTcpPort;  // what an echo answer must name, and where its instrument listens
    // The program's own list in place of ORVANE2_DISCOVERY_ADDRESS (same format);
    // none: the variable, or the broadcast.
    std::optional<std::string> addresses;
    platform::Clock* clock = nullptr;              // none: the system's
    platform::Diagnostics* diagnostics = nullptr;  // where the trace goes; none: nowhere
};

inline constexpr uint8_t kEchoQuery[] = {0x58};
inline constexpr uint8_t kQueryQuery[] = {0x00, 0x00, 0x00, 0xF6};
inline constexpr std::size_t kEchoAnswerMinLength = 26;
inline constexpr std::size_t kQueryAnswerLength = 30;
inline constexpr uint8_t kQueryAnswerMarker = 0xF7;

inline constexpr int kQueriesPerMethod = 3;
inline constexpr uint32_t kCheckIntervalMs = 100;
// A query is listened to until a check finds this much time gone: checks at
// about 0, 100, 200 and 300 ms.
inline constexpr uint32_t kListenMs = 250;
// The answer buffer: longer datagrams are dropped without a look.
inline constexpr std::size_t kAnswerBufferSize = 1024;

// The answer tests. tcpPort is the number an echo answer must carry after its
// first "/".
bool IsEchoAnswer(const uint8_t* data, std::size_t length, uint16_t tcpPort);
bool IsQueryAnswer(const uint8_t* data, std::size_t length);

// Puts the dotted text of address (host byte order) into the first empty of
// count entries: its position + 1; -1 when it is already listed or the list is full.
int AddFoundAddress(uint32_t address, FoundInstrument* list, int count);

class Discovery {
  public:
    explicit Discovery(DiscoverySettings settings = {}) : settings_(std::move(settings)) {}

    // Each clears count entries from list on, sends its query three times on a
    // socket of its own, and fills the entries with the senders of valid
    // answers: the number filled.
    int DiscoverByEcho(FoundInstrument* list, int count);
    int DiscoverByQuery(FoundInstrument* list, int count);

    // The entries of the address list in use that are not addresses, and where
    // the list came from (see RejectedDiscoveryAddresses).
    std::string RejectedAddresses(std::string* source = nullptr) const;
    const DiscoverySettings& Settings() const { return settings_; }

    struct Method;

  private:
    int Discover(const Method& m, FoundInstrument* list, int count);

    DiscoverySettings settings_;
};

}  // namespace orvane::transport
