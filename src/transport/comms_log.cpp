#include "transport/comms_log.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/product.h"
#include "platform/regular_file.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "transport/connection_record.h"
#include "ui/message_box.h"

namespace orvane::transport {
namespace {

constexpr std::size_t kMaxPathLength = 259;

// One lock for the file state: the firmware worker sends through the channel
// while the main thread may trace.
std::mutex g_mutex;
// Changed under the lock; read without it by the hooks, which run for every
// line received.
std::atomic<bool> g_enabled{false};
std::string g_path;
ui::MessageBoxes* g_boxes = nullptr;
std::atomic<uint64_t> g_transactions{0};

std::string Stamp() {
    platform::LocalTime t = platform::CurrentClock().Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d] ", t.hour % 100, t.minute % 100,
                  t.second % 100, t.millisecond % 1000);
    return stamp;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool AppendToFile(const std::string& path, std::string_view text) {
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::Append);
    if (!file.ok()) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file.stream.get()) == text.size();
    return std::fclose(file.stream.release()) == 0 && ok;
}

// Why the path cannot take the log, found by opening it as the log will be
// opened (without creating it); empty when it can, or when it is still to be made.
std::string UnusableLogFile(const std::string& path) {
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::AppendExisting);
    switch (file.refusal) {
        case platform::FileRefusal::None:
        case platform::FileRefusal::Missing:
            return {};
        case platform::FileRefusal::Folder:
            return platform::Format(kCommsLogIsFolder, path.c_str());
        case platform::FileRefusal::NotRegular:
            return platform::Format(kCommsLogNotAFile, path.c_str());
        case platform::FileRefusal::CannotOpen:
            break;
    }
    return platform::Format(kCommsLogCannotWrite, path.c_str(), file.reason.c_str());
}

// Called with g_mutex held. False when the line could not be written.
bool WriteToLogFile(const std::string& stamp, const std::string& line) {
    if (!FileExists(g_path)) {
        char header[256];
        std::snprintf(header, sizeof header,
                      "%s %s CommsLog\nSoftware Version %s_%s (build %s)\n%s***\tLOG FILE OPENED\t***\n",
                      platform::kMakerName, platform::kProductName, platform::kVersionMajor,
                      platform::kVersionMinor, platform::kVersionBuild, stamp.c_str());
        if (!AppendToFile(g_path, header)) return false;
    }
    return AppendToFile(g_path, line);
}

// The third comma-separated field of the identity, empty fields counted.
bool SerialNumberOf(const ConnectionRecord& record, std::string& serial) {
    std::string_view id = record.identity.view();
    std::size_t first = id.find(',');
    if (first == std::string_view::npos) return false;
    std::size_t second = id.find(',', first + 1);
    if (second == std::string_view::npos) return false;
    std::size_t third = id.find(',', second + 1);
    serial = std::string(id.substr(second + 1, third == std::string_view::npos ? std::string_view::npos
                                                                                : third - second - 1));
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

void TraceLine(std::string_view text) {
    std::string stamp = Stamp();
    std::string line = stamp;
    line.append(text);
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        if (g_enabled) {
            if (WriteToLogFile(stamp, line)) return;
            g_enabled = false;  // and the line that failed is dropped
            ui::MessageBoxes* boxes = g_boxes;
            lock.unlock();
            // A box runs its own event loop, which may trace, send or ask
            // whether the log is on, all on this thread.
            if (boxes) boxes->Show({kCommsLogOpenErrorText, kCommsLogOpenErrorCaption});
            return;
        }
    }
    platform::DebugOutput(line);
}

std::string SetCommsLogFile(const std::string& path) {
    std::string refused;
    if (path.size() > kMaxPathLength) {
        refused = kCommsLogPathTooLong;
    } else if (!path.empty() && !FolderExists(FolderOf(path))) {
        refused = platform::Format(kCommsLogNoFolder, FolderOf(path).c_str());
    } else if (!path.empty()) {
        refused = UnusableLogFile(path);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_path = refused.empty() ? path : std::string();
    g_enabled = !g_path.empty();
    return refused;
}

bool CommsLogEnabled() { return g_enabled; }

std::string CommsLogPath() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_path;
}

void SetCommsLogMessageBoxes(ui::MessageBoxes* boxes) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_boxes = boxes;
}

uint64_t CommsLogTransactions() { return g_transactions.load(); }

void CommsLogSend(std::string_view text, const ConnectionRecord& record) {
    uint64_t n = ++g_transactions;
    if (!CommsLogEnabled()) return;
    std::string line = Prefix(n, record, ">>");
    if (text == kWake) {
        line += "\\024\n";
    } else {
        line += text;
        // A single control byte or "^[" carries no line end of its own.
        if (line.back() != '\n') line += '\n';
    }
    TraceLine(line);
}

void CommsLogReceive(std::string_view text, const ConnectionRecord& record) {
    uint64_t n = ++g_transactions;
    if (!CommsLogEnabled()) return;
    std::string line = Prefix(n, record, "<<");
    line += text;
    line += '\n';
    TraceLine(line);
}

}  // namespace orvane::transport
