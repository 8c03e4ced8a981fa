#pragma once
// The program's debug output: trace lines go to stderr when tracing was asked for
// (--trace or ORVANE2_TRACE=1) and are dropped otherwise. Tests install a sink.

#include <functional>
#include <string_view>

namespace orvane::platform {

// Writes text as it is (no line end is added). Thread-safe.
void DebugOutput(std::string_view text);

void SetDebugOutputEnabled(bool enabled);
bool DebugOutputEnabled();
// Turns tracing on when ORVANE2_TRACE is set to a value other than "0" or empty.
void EnableDebugOutputFromEnvironment();

using DebugSink = std::function<void(std::string_view)>;
// Replaces stderr as the destination while the guard lives; the sink sees every
// line whether or not tracing is enabled.
class ScopedDebugSink {
public:
    explicit ScopedDebugSink(DebugSink sink);
    ~ScopedDebugSink();
    ScopedDebugSink(const ScopedDebugSink&) = delete;
    ScopedDebugSink& operator=(const ScopedDebugSink&) = delete;

private:
    DebugSink previous_;
};

}  // namespace orvane::platform
