// The RTF reader of the Firmware Files List. Its runs go straight to a terminal
// in the command-line front end, so beyond not crashing it must keep its
// promise: UTF-8 text with no control characters but line feed and tab.

#include "firmware/rtf_reader.h"
#include "fuzz_support.h"

using namespace orvane::firmware;

namespace {

// True when the text is whole UTF-8 sequences none of which is a C0 control
// but line feed and tab, DEL or a C1 control.
bool ShownSafely(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t length = b0 < 0x80             ? 1
                             : (b0 & 0xE0) == 0xC0 ? 2
                             : (b0 & 0xF0) == 0xE0 ? 3
                             : (b0 & 0xF8) == 0xF0 ? 4
                                                   : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t code = length == 1 ? b0 : b0 & (0x7F >> length);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<RtfRun> runs = ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        FUZZ_CHECK(!runs[i].text.empty());
        FUZZ_CHECK(ShownSafely(runs[i].text));
        // Adjacent runs of one style are one run.
        if (i > 0) {
            RtfRun prev = runs[i - 1];
            prev.text = runs[i].text;
            FUZZ_CHECK(!(prev == runs[i]));
        }
    }
    return 0;
}
