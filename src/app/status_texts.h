#pragma once
// What the status line under the panes says after the main window's actions.
// Each "%s at %s" takes what it is about and the time of day.

namespace orvane::app {

inline constexpr const char kStatusConnected[] = "Connected to %s at %s";
inline constexpr const char kStatusDisconnected[] = "Disconnected from %s at %s";
inline constexpr const char kStatusLost[] = "Connection to %s lost at %s";
inline constexpr const char kStatusReestablished[] = "Connection to %s re-established at %s";
inline constexpr const char kStatusNotReestablished[] = "Connection to %s not re-established at %s";
inline constexpr const char kStatusReconnectCancelled[] = "Reconnecting to %s cancelled at %s";
// "TRV8844 on ttyUSB0": the instrument and where it is.
inline constexpr const char kStatusInstrumentOn[] = "%s on %s";
inline constexpr const char kStatusUnknownInstrument[] = "Unknown Instrument";
inline constexpr const char kStatusBootcodeInstrument[] = "Bootcode Instrument";

inline constexpr const char kStatusClockSet[] =
    "Instrument clock set to %04d-%02d-%02d %02d:%02d:%02d";

inline constexpr const char kStatusScriptSoFar[] = "Script: %d tests passed, %d failed so far";
inline constexpr const char kStatusScriptEnded[] = "Script run ended: %d tests passed, %d failed";
inline constexpr const char kStatusScriptNoInstrument[] =
    "Script did nothing: no instrument is connected (Configure > Connection...)";
inline constexpr const char kStatusScriptRunning[] =
    "Script did nothing: a script is running; stop it first";

}  // namespace orvane::app
