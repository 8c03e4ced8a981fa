#include "cli/visible_text.h"

namespace orvane::cli {
namespace {

// The length of the UTF-8 sequence starting at text[i] when it is whole, else 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead >= 0xF5   ? 0
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC2 ? 2
                                              : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

void AppendHex(std::string& out, unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[value >> 4];
    out += kDigits[value & 0xF];
}

}  // namespace

std::string MadeVisible(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\t' || c == '\n' || (c >= 0x20 && c < 0x7F)) {
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += '^';
            out += static_cast<char>(c ^ 0x40);
            ++i;
        } else if (std::size_t length = SequenceLength(text, i); length > 0) {
            const unsigned char second = static_cast<unsigned char>(text[i + 1]);
            if (c == 0xC2 && second < 0xA0) {
                AppendHex(out, second);
            } else {
                out.append(text.substr(i, length));
            }
            i += length;
        } else {
            if (c < 0xA0) {
                AppendHex(out, c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
        }
    }
    return out;
}

}  // namespace orvane::cli
