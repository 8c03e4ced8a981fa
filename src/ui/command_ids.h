#pragma once
// Command identifiers of the main window: menu items, buttons, and the commands
// the program posts to itself.

namespace orvane::ui {

inline constexpr int kCmdEnableAfterConnect = 122;
inline constexpr int kCmdFocusCommandLine = 123;
inline constexpr int kCmdPickFromResults = 124;
inline constexpr int kCmdHistoryPrevious = 126;
inline constexpr int kCmdHistoryNext = 127;
inline constexpr int kCmdAbout = 104;
inline constexpr int kCmdSaveToFile = 129;
inline constexpr int kCmdSend = 18003;
inline constexpr int kCmdScriptRunStop = 18006;
inline constexpr int kCmdScriptStep = 18007;
inline constexpr int kCmdScriptClose = 18008;
inline constexpr int kCmdConnection = 32771;
inline constexpr int kCmdClearResults = 32773;
inline constexpr int kCmdUpgradeFirmware = 32774;
inline constexpr int kCmdSetDateTime = 32775;
inline constexpr int kCmdDisconnect = 32776;
inline constexpr int kCmdScript = 32777;
inline constexpr int kCmdConvertBinary = 32778;

// Control identifiers of the main window.
inline constexpr int kIdResultsPane = 18000;
inline constexpr int kIdInfoPane = 18001;
inline constexpr int kIdCommandLine = 18002;
inline constexpr int kIdSendButton = 18003;
inline constexpr int kIdScriptList = 18005;
inline constexpr int kIdRunStopButton = 18006;
inline constexpr int kIdStepButton = 18007;
inline constexpr int kIdCloseButton = 18008;

}  // namespace orvane::ui
