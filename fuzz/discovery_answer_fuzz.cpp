// The LAN search's answer tests and its list of found addresses. The first two
// bytes are the instrument port the echo answer must name; the rest is the
// datagram, and also read as a run of sender addresses for the found list.

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "transport/discovery.h"

using namespace orvane::transport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const uint16_t port = static_cast<uint16_t>(data[0] << 8 | data[1]);
    const uint8_t* datagram = data + 2;
    const std::size_t length = size - 2;

    if (IsEchoAnswer(datagram, length, port)) {
        std::size_t slash =
            std::string_view(reinterpret_cast<const char*>(datagram), length).find('/');
        FUZZ_CHECK(length >= kEchoAnswerMinLength && datagram[0] == 'A' && slash < length - 1);
        FUZZ_CHECK(datagram[slash + 1] >= '0' && datagram[slash + 1] <= '9');
    }
    if (IsQueryAnswer(datagram, length))
        FUZZ_CHECK(length == kQueryAnswerLength && datagram[3] == kQueryAnswerMarker);
    FUZZ_CHECK(!IsEchoAnswer(nullptr, length, port) && !IsQueryAnswer(nullptr, length));

    // Each sender is listed once, in order of arrival, until the list is full.
    constexpr std::size_t kCount = 6;
    FoundInstrument list[kCount];
    std::vector<std::string> listed;
    for (std::size_t at = 0; at + 4 <= length; at += 4) {
        in_addr sender;
        char dotted[INET_ADDRSTRLEN];
        std::memcpy(&sender, datagram + at, 4);
        FUZZ_CHECK(::inet_ntop(AF_INET, &sender, dotted, sizeof dotted));
        bool fresh =
            listed.size() < kCount && std::count(listed.begin(), listed.end(), dotted) == 0;
        int position = AddFoundAddress(ntohl(sender.s_addr), list, kCount);
        FUZZ_CHECK(position == (fresh ? static_cast<int>(listed.size()) + 1 : -1));
        if (fresh) listed.push_back(dotted);
    }
    for (std::size_t i = 0; i < kCount; ++i)
        FUZZ_CHECK(list[i].ipText == (i < listed.size() ? listed[i] : std::string()));
    return 0;
}
