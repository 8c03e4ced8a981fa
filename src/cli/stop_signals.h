#pragma once
// SIGINT, SIGTERM and SIGHUP in orvane2-cli. While a StopSignals lives, each of
// them (unless the program was started with it ignored) is caught:
//  - Stop: the terminal settings are put back, then the signal ends the
//    program as it would have; a shell that does not tidy up after
//    its children (dash, a plain pty) must not be left without echo.
//  - Hold: firmware is being written, and stopping half way leaves the
//    instrument in its bootloader. The first signal is noted and ends the
//    program once it is safe; a second within kPressWindowMs warns; a third
//    within kPressWindowMs of that stops anyway.
// The previous dispositions come back when it goes. One lives at a time. On
// Windows the same holds for Ctrl-C, Ctrl-Break and the console's closing.

namespace orvane::cli {

inline constexpr int kPressWindowMs = 2000;

inline constexpr char kHoldNotice[] =
    "orvane2-cli: the firmware is being written; the upgrade will end when it is safe to stop";
inline constexpr char kHoldWarning[] =
    "orvane2-cli: stopping now leaves the instrument running its bootloader; press Ctrl-C again to "
    "stop "
    "anyway";
inline constexpr char kLeftInBootloaderText[] =
    "the instrument is running its bootloader; run the upgrade again to finish it";

class StopSignals {
  public:
    enum class Mode { Stop, Hold };
    // Puts stdin's settings back as they were; called from the signal handler,
    // so it may only do what a handler may.
    using RestoreTerminal = void (*)();
    // restoreTerminal: called before a signal ends the program; may be null.
    explicit StopSignals(Mode mode, RestoreTerminal restoreTerminal = nullptr);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that was held, 0 when none came.
    int Held() const;
};

}  // namespace orvane::cli
