#pragma once
// The application's own texts: captions and messages of the shell, the script
// runner and the upgrade commands, under the caption "Orvane2".

#include "platform/version.h"

namespace orvane::ui {

inline constexpr const char kAppName[] = "Orvane2";  // also the caption of the shell's boxes
inline constexpr const char kAppVersion[] =
    "v" ORVANE_VERSION_MAJOR_TEXT "_" ORVANE_VERSION_MINOR_TEXT " Sep  9 2026";
inline constexpr const char kAppNotice[] = "Copyright (C) Kelmscot";
inline constexpr const char kCaptionSend[] = "Send";
inline constexpr const char kCaptionRun[] = "Run";
inline constexpr const char kCaptionStep[] = "Step";
inline constexpr const char kCaptionClose[] = "Close";
inline constexpr const char kCaptionStop[] = "Stop";

}  // namespace orvane::ui
