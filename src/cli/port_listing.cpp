#include "cli/port_listing.h"

#include <cstdio>

#include "cli/visible_text.h"

namespace orvane::cli {
namespace {

using transport::SerialPortInfo;

const char* AccessText(SerialPortInfo::Access a) {
    switch (a) {
        case SerialPortInfo::Access::Busy:
            return kPortBusy;
        case SerialPortInfo::Access::NotPermitted:
            return kPortNotPermitted;
        default:
            return "free";
    }
}

// Product texts come from the device itself: nothing in them may move the
// cursor or break a field.
std::string Field(const std::string& text) {
    if (text.empty()) return "-";
    std::string out = MadeVisible(text);
    for (char& c : out)
        if (c == '\t' || c == '\n') c = ' ';
    return out;
}

std::string JsonString(const std::string& text) {
    if (text.empty()) return "null";
    std::string out = "\"";
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", b);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string PortsAsText(const std::vector<SerialPortInfo>& ports) {
    std::string out;
    for (const SerialPortInfo& p : ports) {
        out +=
            Field(p.path) + '\t' + Field(p.byId) + '\t' + Field(p.usbId) + '\t' + Field(p.product);
        if (p.access != SerialPortInfo::Access::Free)
            out += std::string("\t") + AccessText(p.access);
        out += '\n';
    }
    return out;
}

std::string PortsAsJson(const std::vector<SerialPortInfo>& ports) {
    std::string out = "[";
    for (const SerialPortInfo& p : ports) {
        out += out.size() > 1 ? ",\n " : "\n ";
        out += "{\"device\": " + JsonString(p.path) + ", \"byId\": " + JsonString(p.byId) +
               ", \"usbId\": " + JsonString(p.usbId) + ", \"product\": " + JsonString(p.product) +
               ", \"access\": \"" + AccessText(p.access) + "\"}";
    }
    return out + (ports.empty() ? "]\n" : "\n]\n");
}

}  // namespace orvane::cli
