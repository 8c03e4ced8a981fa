#include "sim/engine.h"

#include <algorithm>

#include "platform/text_format.h"
#include "sim/bootloader.h"
#include "sim/command_interpreter.h"
#include "sim/command_line.h"

namespace orvane::sim {

namespace {
// True once `now` has reached `due` on the wrapping tick count.
bool Reached(uint32_t now, uint32_t due) {
    return static_cast<int32_t>(now - due) >= 0;
}
}  // namespace

std::string FloodLine(uint64_t n, bool withoutLineEnd) {
    std::string line = platform::Format("FLOOD %010llu", static_cast<unsigned long long>(n));
    return withoutLineEnd ? line : line + "\r\n";
}

Engine::Engine(InstrumentConfig config)
    : config_(std::move(config)),
      interpreter_(std::make_unique<CommandInterpreter>()),
      boot_(std::make_unique<BootloaderMemory>(config_.bootloader)) {}

Engine::~Engine() = default;

void Engine::Feed(const void* data, std::size_t n, uint32_t nowMs) {
    lastNow_ = nowMs;
    if (n == 0) return;
    const auto* bytes = static_cast<const uint8_t*>(data);

    received_.append(reinterpret_cast<const char*>(bytes), n);
    // Trimmed in large steps so that a long session costs no more than a short one.
    if (received_.size() > 2 * kReceivedKept) {
        received_.erase(0, received_.size() - kReceivedKept);
    }
    counters_.bytesReceived += n;
    if (config_.flood && !floodStarted_) {
        floodStarted_ = true;
        floodLastMs_ = nowMs - 1;  // the first burst is due at once
    }

    for (std::size_t i = 0; i < n; ++i) {
        uint8_t b = bytes[i];
        if (b == kDc4) ++counters_.dc4Bytes;
        if (b == 0) ++counters_.zeroBytes;
        if (b == kEsc) ++counters_.escBytes;
        interpreting_ = true;
        interpreter_->Receive(b, *this);
        interpreting_ = false;
        if (next_) interpreter_ = std::move(next_);
    }
}

std::string Engine::TakeOutput(uint32_t nowMs) {
    lastNow_ = nowMs;
    if (hungUp_) return {};
    if (floodStarted_ && config_.flood && !config_.silent && pending_.size() < kFloodBurst &&
        !Reached(floodLastMs_, nowMs)) {
        floodLastMs_ = nowMs;
        std::string burst;
        while (burst.size() < kFloodBurst)
            burst += FloodLine(++floodLine_, config_.floodWithoutLineEnds);
        Queue(burst);
    }
    if (CountedFloodLeft() && !config_.silent) QueueCountedFlood();

    while (!delayed_.empty() && Reached(nowMs, delayed_.front().first)) {
        Queue(delayed_.front().second);
        delayed_.pop_front();
    }

    std::size_t take = pending_.size();
    if (config_.trickleMs > 0) {
        take = 0;
        while (take < pending_.size() && Reached(nowMs, nextRelease_)) {
            ++take;
            nextRelease_ += config_.trickleMs;
        }
    }
    if (config_.hangUpAfterBytes > 0) {
        uint64_t left = config_.hangUpAfterBytes - sentThisConnection_;
        take = static_cast<std::size_t>(std::min<uint64_t>(take, left));
    }

    std::string out;
    if (take == pending_.size()) {
        out.swap(pending_);  // the usual case, and the flood's: no copy
    } else {
        out = pending_.substr(0, take);
        pending_.erase(0, take);
    }
    sentThisConnection_ += take;
    counters_.bytesSent += take;
    if (config_.hangUpAfterBytes > 0 && sentThisConnection_ >= config_.hangUpAfterBytes) {
        hungUp_ = true;
        pending_.clear();
    }
    return out;
}

std::optional<uint32_t> Engine::NextDue() const {
    if (hungUp_) return std::nullopt;
    if (!pending_.empty()) return config_.trickleMs > 0 ? nextRelease_ : lastNow_;
    if (!delayed_.empty()) return delayed_.front().first;
    if (CountedFloodLeft() && !config_.silent) return lastNow_;
    if (floodStarted_ && config_.flood && !config_.silent) return floodLastMs_ + 1;
    return std::nullopt;
}

void Engine::Reconnect(uint32_t nowMs) {
    lastNow_ = nowMs;
    interpreter_->Reset();
    pending_.clear();
    delayed_.clear();
    dropRequested_ = false;
    sentThisConnection_ = 0;
    hungUp_ = false;
    floodStarted_ = false;
    // Each connection gets the whole count.
    if (config_.floodCount > 0) floodLine_ = 0;
    ++counters_.connections;
}

std::string_view Engine::received() const {
    std::string_view all(received_);
    return all.size() > kReceivedKept ? all.substr(all.size() - kReceivedKept) : all;
}

void Engine::SetSetting(int number, std::string value) {
    settings_[number] = std::move(value);
}

std::string Engine::Setting(int number) const {
    auto it = settings_.find(number);
    return it == settings_.end() ? std::string() : it->second;
}

void Engine::ClearCounters() {
    counters_ = {};
    received_.clear();
}

void Engine::Send(std::string_view bytes) {
    if (config_.silent || hungUp_) return;
    if (!delayed_.empty()) {
        delayed_.back().second += bytes;
        return;
    }
    Queue(bytes);
}

void Engine::SendAfter(std::string_view bytes, uint32_t delayMs) {
    if (config_.silent || hungUp_) return;
    uint32_t due = lastNow_ + delayMs;
    // Never before what is already waiting.
    if (!delayed_.empty() && !Reached(due, delayed_.back().first)) due = delayed_.back().first;
    delayed_.emplace_back(due, std::string(bytes));
}

void Engine::EnterBootloader() {
    if (!application_) application_ = std::move(interpreter_);
    boot_->events.emplace_back("enter");
    SwitchInterpreter(std::make_unique<Bootloader>());
}

void Engine::LeaveBootloader() {
    std::unique_ptr<Interpreter> application = std::move(application_);
    if (!application) application = std::make_unique<CommandInterpreter>();
    application->Reset();
    SwitchInterpreter(std::move(application));
}

bool Engine::TakeDropRequest() {
    bool requested = dropRequested_;
    dropRequested_ = false;
    return requested;
}

void Engine::HangUpNow() {
    hungUp_ = true;
    pending_.clear();
    delayed_.clear();
}

void Engine::SendLine(std::string_view text) {
    std::string line(text);
    line += kLineEnd;
    Send(line);
}

void Engine::NoteCommand(bool known) {
    ++counters_.commands;
    if (!known) ++counters_.unknownCommands;
    // Not on the first byte, as the endless flood: a client identifies the
    // instrument first, and then asks for the flood with a command of its own.
    if (!known && config_.floodCount > 0) floodStarted_ = true;
}

void Engine::SwitchInterpreter(std::unique_ptr<Interpreter> next) {
    if (interpreting_) {
        next_ = std::move(next);
    } else {
        interpreter_ = std::move(next);
    }
}

void Engine::QueueCountedFlood() {
    if (pending_.size() >= kCountedFloodChunk) return;
    // Formatted once, then counted up in place: the engine must outpace any reader.
    std::string line = FloodLine(floodLine_ + 1);
    char* last = line.data() + line.size() - 3;
    std::string chunk;
    chunk.reserve(kCountedFloodChunk + line.size());
    while (chunk.size() < kCountedFloodChunk && floodLine_ < config_.floodCount) {
        chunk += line;
        ++floodLine_;
        for (char* d = last; *d >= '0' && *d <= '9'; --d) {
            if (++*d <= '9') break;
            *d = '0';
        }
    }
    Queue(chunk);
}

void Engine::Queue(std::string_view bytes) {
    if (bytes.empty()) return;
    // Each reply waits a full interval before its first byte, like every later one.
    if (pending_.empty()) nextRelease_ = lastNow_ + config_.trickleMs;
    pending_ += bytes;
}

}  // namespace orvane::sim
