#include "platform/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file_facts.h"
#include "platform/product.h"
#include "platform/regular_file.h"
#include "platform/text_format.h"

namespace orvane::platform {
namespace {

constexpr std::size_t kMaxPathLength = 259;

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of(kPathSeparators);
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

bool AppendToFile(const std::string& path, std::string_view text) {
    RegularFile file = OpenRegularFile(path, FileAccess::Append);
    if (!file.ok()) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file.stream.get()) == text.size();
    return std::fclose(file.stream.release()) == 0 && ok;
}

// Why the path cannot take the log, found by opening it as the log will be
// opened (without creating it); empty when it can, or when it is still to be made.
std::string UnusableLogFile(const std::string& path) {
    RegularFile file = OpenRegularFile(path, FileAccess::AppendExisting);
    switch (file.refusal) {
        case FileRefusal::None:
        case FileRefusal::Missing:
            return {};
        case FileRefusal::Folder:
            return Format(kCommsLogIsFolder, path.c_str());
        case FileRefusal::NotRegular:
            return Format(kCommsLogNotAFile, path.c_str());
        case FileRefusal::CannotOpen:
            break;
    }
    return Format(kCommsLogCannotWrite, path.c_str(), file.reason.c_str());
}

// False when the line could not be written.
bool WriteToLogFile(const std::string& path, const std::string& stamp, const std::string& line) {
    if (!PathExists(path)) {
        char header[256];
        std::snprintf(
            header, sizeof header,
            "%s %s CommsLog\nSoftware Version %s_%s (build %s)\n%s***\tLOG FILE OPENED\t***\n",
            kMakerName, kProductName, kVersionMajor, kVersionMinor, kVersionBuild, stamp.c_str());
        if (!AppendToFile(path, header)) return false;
    }
    return AppendToFile(path, line);
}

}  // namespace

void Diagnostics::EnableTraceFromEnvironment() {
    const char* v = std::getenv("ORVANE2_TRACE");
    if (v && *v && std::strcmp(v, "0") != 0) SetTraceEnabled(true);
}

void Diagnostics::SetSink(Sink sink) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    sink_ = std::move(sink);
}

void Diagnostics::Write(std::string_view text) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    if (sink_) {
        sink_(text);
        return;
    }
    WriteDebugOutput(text, traceEnabled_);
}

void Diagnostics::TraceLine(std::string_view text) {
    LocalTime t = clock_.Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d] ", t.hour % 100, t.minute % 100,
                  t.second % 100, t.millisecond % 1000);
    std::string line = stamp;
    line.append(text);
    {
        std::unique_lock<std::mutex> lock(logMutex_);
        if (logOn_) {
            if (WriteToLogFile(logPath_, stamp, line)) return;
            logOn_ = false;  // and the line that failed is dropped
            std::function<void()> onFailure = onLogFailure_;
            lock.unlock();
            if (onFailure) onFailure();
            return;
        }
    }
    Write(line);
}

std::string Diagnostics::SetCommsLogFile(const std::string& path) {
    std::string refused;
    if (path.size() > kMaxPathLength) {
        refused = kCommsLogPathTooLong;
    } else if (!path.empty() && !IsFolder(FolderOf(path))) {
        refused = Format(kCommsLogNoFolder, FolderOf(path).c_str());
    } else if (!path.empty()) {
        refused = UnusableLogFile(path);
    }
    std::lock_guard<std::mutex> lock(logMutex_);
    logPath_ = refused.empty() ? path : std::string();
    logOn_ = !logPath_.empty();
    return refused;
}

std::string Diagnostics::CommsLogPath() const {
    std::lock_guard<std::mutex> lock(logMutex_);
    return logPath_;
}

void Diagnostics::SetLogFailureHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(logMutex_);
    onLogFailure_ = std::move(handler);
}

}  // namespace orvane::platform
