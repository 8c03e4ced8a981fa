// The RTF reader of the Firmware Files List. Its runs go straight to a terminal
// in the command-line front end, so they must be UTF-8 text with no control
// characters but line feed and tab.

#include <bit>

#include "firmware/rtf_reader.h"
#include "fuzz_support.h"

using namespace orvane::firmware;

// True when the text is whole UTF-8 sequences none of which is a C0 control
// but line feed and tab, DEL or a C1 control.
static bool ShownSafely(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        const int ones = std::countl_one(b0);  // 0: ASCII, 2-4: a sequence's length
        const std::size_t length = ones == 0 ? 1 : static_cast<std::size_t>(ones);
        if (ones == 1 || ones > 4 || i + length > text.size()) return false;
        uint32_t code = b0 & (0x7F >> ones);
        for (std::size_t k = 1; k < length; ++k) {
            auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            code = (code << 6) | (b & 0x3F);
        }
        if ((code < 0x20 && code != '\n' && code != '\t') || (code >= 0x7F && code < 0xA0))
            return false;
        i += length;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<RtfRun> runs = ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        FUZZ_CHECK(!runs[i].text.empty() && ShownSafely(runs[i].text));
        if (i == 0) continue;
        RtfRun prev = runs[i - 1];  // adjacent runs of one style are one run
        prev.text = runs[i].text;
        FUZZ_CHECK(!(prev == runs[i]));
    }
    return 0;
}
