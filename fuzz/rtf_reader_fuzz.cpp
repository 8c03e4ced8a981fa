// The RTF reader of the Firmware Files List. Its runs go straight to a terminal
// in the command-line front end, so beyond not crashing it must keep its
// promise: UTF-8 text with no control characters but line feed and tab.

#include "firmware/rtf_reader.h"
#include "fuzz_support.h"

using namespace orvane::firmware;

namespace {

// Visits the code point of every valid UTF-8 sequence, skipping stray bytes
// (so that a control character behind one is still seen); false when there
// were any.
template <typename Visit>
bool ForEachCodePoint(std::string_view text, Visit visit) {
    bool valid = true;
    for (std::size_t i = 0; i < text.size();) {
        auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t length = b0 < 0x80             ? 1
                             : (b0 & 0xE0) == 0xC0 ? 2
                             : (b0 & 0xF0) == 0xE0 ? 3
                             : (b0 & 0xF8) == 0xF0 ? 4
                                                   : 0;
        uint32_t code = length == 1   ? b0
                        : length == 2 ? b0 & 0x1F
                        : length == 3 ? b0 & 0x0F
                                      : b0 & 0x07;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            auto b = static_cast<unsigned char>(text[i + k]);
            whole = (b & 0xC0) == 0x80;
            code = (code << 6) | (b & 0x3F);
        }
        if (!whole) {
            valid = false;
            ++i;
            continue;
        }
        visit(code);
        i += length;
    }
    return valid;
}

bool IsShownControl(uint32_t code) {
    if (code == '\n' || code == '\t') return false;
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<RtfRun> runs = ReadRtf(input);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RtfRun& run = runs[i];
        FUZZ_CHECK(!run.text.empty());
        // Adjacent runs of one style are one run.
        if (i > 0) {
            RtfRun prev = runs[i - 1];
            prev.text = run.text;
            FUZZ_CHECK(!(prev == run));
        }
        bool control = false;
        bool utf8 =
            ForEachCodePoint(run.text, [&](uint32_t code) { control |= IsShownControl(code); });
        FUZZ_CHECK(utf8);
        FUZZ_CHECK(!control);
        for (char c : run.text)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t');
    }
    return 0;
}
