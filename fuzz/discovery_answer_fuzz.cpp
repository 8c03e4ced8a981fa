// The LAN search's answer tests and its list of found addresses. The first two
// bytes are the instrument port the echo answer must name; the rest is the
// datagram, and also read as a run of sender addresses for the found list.

#include <arpa/inet.h>

#include "fuzz_support.h"
#include "transport/discovery.h"

using namespace orvane::transport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const uint16_t port = static_cast<uint16_t>(data[0] << 8 | data[1]);
    const uint8_t* datagram = data + 2;
    const std::size_t length = size - 2;
    std::string_view text(reinterpret_cast<const char*>(datagram), length);

    if (IsEchoAnswer(datagram, length, port)) {
        FUZZ_CHECK(length >= kEchoAnswerMinLength && datagram[0] == 'A');
        std::size_t slash = text.find('/');
        FUZZ_CHECK(slash != std::string_view::npos && slash + 1 < length);
        FUZZ_CHECK(datagram[slash + 1] >= '0' && datagram[slash + 1] <= '9');
    }
    if (IsQueryAnswer(datagram, length)) {
        FUZZ_CHECK(length == kQueryAnswerLength && datagram[3] == kQueryAnswerMarker);
    }
    FUZZ_CHECK(!IsEchoAnswer(nullptr, length, port) && !IsQueryAnswer(nullptr, length));

    // Each sender is listed once, in order of arrival, until the list is full.
    constexpr int kCount = 6;
    FoundInstrument list[kCount];
    int listed = 0;
    for (std::size_t at = 0; at + 4 <= length; at += 4) {
        uint32_t address = static_cast<uint32_t>(datagram[at]) << 24 | datagram[at + 1] << 16 |
                           datagram[at + 2] << 8 | datagram[at + 3];
        bool known = false;
        for (int i = 0; i < listed; ++i) {
            in_addr parsed{};
            FUZZ_CHECK(::inet_pton(AF_INET, list[i].ipText.c_str(), &parsed) == 1);
            known |= ntohl(parsed.s_addr) == address;
        }
        int position = AddFoundAddress(address, list, kCount);
        if (known || listed == kCount) {
            FUZZ_CHECK(position == -1);
        } else {
            FUZZ_CHECK(position == listed + 1);
            in_addr parsed{};
            FUZZ_CHECK(::inet_pton(AF_INET, list[listed].ipText.c_str(), &parsed) == 1);
            FUZZ_CHECK(ntohl(parsed.s_addr) == address);
            ++listed;
        }
    }
    for (int i = listed; i < kCount; ++i) FUZZ_CHECK(list[i].ipText.empty());
    return 0;
}
