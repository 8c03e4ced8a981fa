#pragma once
// The script engine's own texts: what it writes into the results pane, the
// file dialog it shows and the messages about script files (caption "Orvane2").

namespace orvane::script {

// Results pane.
inline constexpr const char kLineEnd[] = "\r\n";
inline constexpr const char kEchoFormat[] = "> %s";
inline constexpr const char kSendFailed[] = "ERROR SENDING THIS COMMAND\r\n";
inline constexpr const char kTimeout[] = "TIMEOUT\r\n";
inline constexpr const char kWaitPrompt[] =
    "! Press Close to abort script or Press Run to continue";
inline constexpr const char kTimeFormat[] = "time: %02d:%02d:%02d:%03d\r\n";
inline constexpr const char kInvalidFileLocation[] = "!!Invalid file location in script!!";
// The file opened but the results could not all be written (a full disk, a
// vanished mount); worded like the message above and, like it, without a line end.
inline constexpr const char kPrintWriteFailed[] = "!!Unable to write file in script!!";

// Choosing and loading a script file.
inline constexpr const char kSelectScriptTitle[] = "Select Script File";
inline constexpr const char kScriptFilterName[] = "Script Files";
inline constexpr const char kScriptFilterPattern[] = "*.txt";
inline constexpr const char kUnableToReadFile[] = "Unable to read file %s";
inline constexpr const char kNotAScriptFile[] = "%s does not appear to be a script file";
// Binary bytes, or raw control bytes in a command line that would reach the instrument.
inline constexpr const char kBinaryScriptFile[] = "%s is not a script file";

// Directive keywords, matched case-insensitively as prefixes, in this order.
inline constexpr const char kDirectiveBeep[] = "beep";
inline constexpr const char kDirectivePause[] = "pause";
inline constexpr const char kDirectiveReply[] = "reply";
inline constexpr const char kDirectiveClear[] = "clear";
inline constexpr const char kDirectiveWait[] = "wait";
inline constexpr const char kDirectiveEcho[] = "echo";
inline constexpr const char kDirectiveTime[] = "time";
inline constexpr const char kDirectiveBincon[] = "bincon";
inline constexpr const char kDirectivePrint[] = "print";
inline constexpr const char kDirectiveFast[] = "fast";
inline constexpr const char kDirectiveNormal[] = "normal";
inline constexpr const char kDirectiveSlow[] = "slow";

// The "bincon" argument that turns conversion on (its first two characters, any case).
inline constexpr const char kBinconOn[] = "on";

// The reply line that may follow a query, compared over its six characters.
inline constexpr const char kReplyLinePrefix[] = "#reply";

}  // namespace orvane::script
