#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/diagnostics.h"
#include "sim/pty_endpoint.h"

namespace orvane::sim {

namespace {
std::string ErrorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

uint32_t RealMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}
}  // namespace

bool PtyEndpoint::Available() {
    return true;
}

PtyEndpoint::PtyEndpoint(InstrumentConfig config, std::string linkPath)
    : Endpoint(std::move(config)), linkPath_(std::move(linkPath)) {
    if (Open() && !linkPath_.empty()) MakeLink();
    if (!Ok()) {
        slave_.reset();
        master_.reset();
    }
}

PtyEndpoint::~PtyEndpoint() {
    Stop();
    slave_.reset();
    master_.reset();
    RemoveLink();
}

bool PtyEndpoint::Open() {
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_.valid()) {
        error_ = ErrorText("posix_openpt");
        return false;
    }
    if (::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
        error_ = ErrorText("unlockpt");
        return false;
    }
    char name[128];
    if (::ptsname_r(master_.get(), name, sizeof name) != 0) {
        error_ = ErrorText("ptsname");
        return false;
    }
    devicePath_ = name;
    int flags = ::fcntl(master_.get(), F_GETFL);
    ::fcntl(master_.get(), F_SETFL, flags | O_NONBLOCK);

    slave_.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!slave_.valid()) {
        error_ = ErrorText(name);
        return false;
    }
    termios raw{};
    if (::tcgetattr(slave_.get(), &raw) != 0) {
        error_ = ErrorText("tcgetattr");
        return false;
    }
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B19200);
    if (::tcsetattr(slave_.get(), TCSANOW, &raw) != 0) {
        error_ = ErrorText("tcsetattr");
        return false;
    }
    return true;
}

void PtyEndpoint::MakeLink() {
    struct stat st {};
    if (::lstat(linkPath_.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error_ = linkPath_ + ": exists and is not a symlink";
            return;
        }
        ::unlink(linkPath_.c_str());
    }
    if (::symlink(devicePath_.c_str(), linkPath_.c_str()) != 0) {
        error_ = ErrorText(linkPath_.c_str());
        return;
    }
    linkMade_ = true;
}

void PtyEndpoint::RemoveLink() {
    if (!linkMade_) return;
    linkMade_ = false;
    // Someone may have pointed it elsewhere since; only our own link goes.
    char target[256];
    ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n < 0) return;
    target[n] = '\0';
    if (devicePath_ == target) ::unlink(linkPath_.c_str());
}

bool PtyEndpoint::Unplugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !master_.valid();
}

void PtyEndpoint::Service(uint32_t nowMs) {
    if (!master_.valid()) return;
    if (hangUpSince_) {
        // Pumped: the client reads between pumps, so it gets its grace here.
        if (Queued() == 0 || nowMs - *hangUpSince_ >= kHangUpGraceMs) HangUpLocked();
        return;
    }
    StreamState state = Exchange(master_.get(), false, nowMs);
    if (state == StreamState::kClosed || state == StreamState::kHungUp) {
        // The master never reads an end while slave_ is open, so this is the
        // hang-up fault or a real failure; either way the device goes away.
        // A hang-up empties the line's queue, so the fault first lets the client
        // take what was sent (within a second): it models a cable pulled after
        // the host had the bytes.
        if (state == StreamState::kHungUp) {
            // The bytes reach the device side a moment after the write: see them
            // arrive (unless the client was quicker, or none are on their way),
            // then leave.
            timespec pause{0, 500 * 1000};
            uint32_t start = RealMs();
            while (inTransit_ && Queued() == 0 &&
                   RealMs() - start < static_cast<uint32_t>(kSettleMs)) {
                ::nanosleep(&pause, nullptr);
            }
            if (Pumped()) {
                hangUpSince_ = nowMs;
                return;
            }
            start = RealMs();
            while (Queued() > 0 && RealMs() - start < kHangUpGraceMs) ::nanosleep(&pause, nullptr);
        }
        HangUpLocked();
    }
}

void PtyEndpoint::HangUpLocked() {
    platform::Trace(engine_.config().diagnostics, "sim: pty " + devicePath_ + " hung up\n");
    hangUpSince_.reset();
    UnplugLocked();
}

void PtyEndpoint::AddWaits(ServiceWait& wait) {
    if (master_.valid()) AddStreamWait(wait, master_.get());
}

void PtyEndpoint::UnplugLocked() {
    slave_.reset();
    master_.reset();
    DropOutgoing();
    RemoveLink();
}

int PtyEndpoint::Queued() const {
    int queued = 0;
    if (!slave_.valid() || ::ioctl(slave_.get(), FIONREAD, &queued) != 0) return 0;
    return queued;
}

std::size_t PtyEndpoint::WriteRoom(int) {
    if (!Pumped()) return SIZE_MAX;
    // Only what the device side can show at once, so that Written can wait for it.
    queuedBeforeWrite_ = Queued();
    return queuedBeforeWrite_ >= kDeviceQueue ? 0 : kDeviceQueue - queuedBeforeWrite_;
}

void PtyEndpoint::Written(int, std::size_t n) {
    inTransit_ = true;
    if (!Pumped()) return;
    // The kernel moves master writes to the device side a moment later.
    uint32_t start = RealMs();
    for (;;) {
        inTransit_ = Queued() < queuedBeforeWrite_ + static_cast<int>(n);
        if (!inTransit_ || RealMs() - start >= static_cast<uint32_t>(kSettleMs)) return;
        timespec pause{0, 200 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

}  // namespace orvane::sim
