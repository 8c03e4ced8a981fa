#pragma once
// SIGINT, SIGTERM and SIGHUP in orvane2-cli. While a StopSignals lives, each of
// them (unless the program was started with it ignored) is caught:
//  - Stop: the terminal settings it was given are put back, then the signal
//    ends the program as it would have; a shell that does not tidy up after
//    its children (dash, a plain pty) must not be left without echo.
//  - Hold: firmware is being written, and stopping half way leaves the
//    instrument in its bootloader. The first signal is noted and ends the
//    program once it is safe; a second within kPressWindowMs warns; a third
//    within kPressWindowMs of that stops anyway.
// The previous dispositions come back when it goes. One lives at a time.

#include <termios.h>

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
    // terminal: the settings of stdin to put back before a signal ends the program; may be null.
    explicit StopSignals(Mode mode, const termios* terminal = nullptr);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that was held, 0 when none came.
    int Held() const;
};

}  // namespace orvane::cli
