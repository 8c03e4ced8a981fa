// The LAN search's answer tests. The first two bytes are the instrument port an
// echo answer must name; the rest is the datagram.

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
    return 0;
}
