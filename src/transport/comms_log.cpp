#include "transport/comms_log.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/diagnostics.h"
#include "transport/channel.h"
#include "transport/connection_record.h"
#include "ui/message_box.h"

namespace orvane::transport {
namespace {

// The third comma-separated field of the identity, empty fields counted.
bool SerialNumberOf(const ConnectionRecord& record, std::string& serial) {
    std::string_view id = record.identity.view();
    std::size_t first = id.find(',');
    if (first == std::string_view::npos) return false;
    std::size_t second = id.find(',', first + 1);
    if (second == std::string_view::npos) return false;
    std::size_t third = id.find(',', second + 1);
    serial = std::string(id.substr(
        second + 1, third == std::string_view::npos ? std::string_view::npos : third - second - 1));
    return true;
}

std::string Prefix(uint64_t n, const ConnectionRecord& record, const char* arrow) {
    std::string serial;
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%05" PRIu64 ") ", n);
    std::string out = buf;
    if (SerialNumberOf(record, serial)) {
        out += "[serial:" + serial + "]" + arrow + "\t";
    } else {
        out += std::string("[serial:unknown] ") + arrow + "\t";
    }
    return out;
}

}  // namespace

void SetCommsLogMessageBoxes(platform::Diagnostics& diagnostics, ui::MessageBoxes* boxes) {
    if (!boxes) {
        diagnostics.SetLogFailureHandler(nullptr);
        return;
    }
    // A box runs its own event loop, which may trace, send or ask whether the
    // log is on, all on this thread.
    diagnostics.SetLogFailureHandler([boxes] {
        boxes->Show({kCommsLogOpenErrorText, kCommsLogOpenErrorCaption});
    });
}

void CommsLogSend(std::string_view text, const ConnectionRecord& record) {
    platform::Diagnostics* log = record.linkOptions.diagnostics;
    if (!log) return;
    uint64_t n = log->CountTransaction();
    if (!log->CommsLogEnabled()) return;
    std::string line = Prefix(n, record, ">>");
    if (text == kWake) {
        line += "\\024\n";
    } else {
        line += text;
        // A single control byte or "^[" carries no line end of its own.
        if (line.back() != '\n') line += '\n';
    }
    log->TraceLine(line);
}

void CommsLogReceive(std::string_view text, const ConnectionRecord& record) {
    platform::Diagnostics* log = record.linkOptions.diagnostics;
    if (!log) return;
    uint64_t n = log->CountTransaction();
    if (!log->CommsLogEnabled()) return;
    std::string line = Prefix(n, record, "<<");
    line += text;
    line += '\n';
    log->TraceLine(line);
}

}  // namespace orvane::transport
