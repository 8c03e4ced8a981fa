#include "firmware/rtf_escape.h"

#include <cstdint>

#include "platform/text_format.h"

namespace orvane::firmware {

Utf8Char DecodeUtf8(std::string_view s, std::size_t at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    if (b0 < 0x80) return {b0, 1};
    std::size_t length = 0;
    uint32_t code = 0;
    uint32_t least = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, code = b0 & 0x1F, least = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, code = b0 & 0x0F, least = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, code = b0 & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (at + length > s.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80) return {};
        code = (code << 6) | (b & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

namespace {

void AppendUnicode(std::string& out, uint32_t unit) {
    // RTF takes a signed 16-bit number.
    out += "\\u";
    out += std::to_string(static_cast<int16_t>(static_cast<uint16_t>(unit)));
    out += '?';
}

}  // namespace

std::string RtfEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += '?';
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (Utf8Char ch = DecodeUtf8(utf8, i); ch.length > 0) {
            if (ch.code > 0xFFFF) {
                uint32_t v = ch.code - 0x10000;
                AppendUnicode(out, 0xD800 + (v >> 10));
                AppendUnicode(out, 0xDC00 + (v & 0x3FF));
            } else {
                AppendUnicode(out, ch.code);
            }
            i += ch.length;
        } else {
            out += platform::Format("\\'%02x", c);
            ++i;
        }
    }
    return out;
}

std::string FitColumns(std::string_view utf8, std::size_t width, bool cut) {
    std::string out;
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size() && !(cut && columns == width); ++columns) {
        Utf8Char ch = DecodeUtf8(utf8, i);
        std::size_t length = ch.length > 0 ? ch.length : 1;
        out.append(utf8.substr(i, length));
        i += length;
    }
    if (columns < width) out.append(width - columns, ' ');
    return out;
}

}  // namespace orvane::firmware
