#pragma once
// The upgrade data shared by the descriptor parser, the hex-file plan, the
// preview, the worker and the upgrade flow: what goes into which flash sector,
// and under which condition the firmware may be loaded.

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/fixed_text.h"

namespace orvane::firmware {

inline constexpr int kMaxLoadEntries = 50;  // per target slot
inline constexpr int kTargetSlots = 2;
inline constexpr int kPathCapacity = 260;        // terminator included
inline constexpr int kTargetModelCapacity = 21;  // terminator included
inline constexpr int kWarningCapacity = 256;     // terminator included

using PathText = platform::FixedText<kPathCapacity>;

// The find-first-file record as the plan keeps it. The size is 64-bit so that
// the worker's byte total over 50 files cannot wrap.
struct LoadFileFacts {
    uint32_t attributes = 0;
    int64_t creationTime = 0;  // seconds since 1970-01-01 UTC
    int64_t lastAccessTime = 0;
    int64_t lastWriteTime = 0;
    uint64_t size = 0;
    // What every message and the preview show. For a plain file field this is
    // the file name; for a field with a folder part it is the match relative to
    // the descriptor's folder ("../common/dsp_1234.hex"), so a file taken from
    // elsewhere is visibly so. When the file was not found: the text looked for.
    PathText name;
};

struct LoadEntry {
    PathText path;  // once found: the matching file itself, never the pattern
    LoadFileFacts facts;
    int32_t sector = 0;
    bool present = false;
    bool noErase = false;
    int32_t serialLow = 0;   // 0 = no lower bound
    int32_t serialHigh = 0;  // 0 = no upper bound
    // The full path did not fit the path field. The file is then not looked
    // up at all: a cut path could name a different file.
    bool pathTooLong = false;
};

using LoadSlot = std::array<LoadEntry, kMaxLoadEntries>;

struct LoadPlan {
    std::array<LoadSlot, kTargetSlots> slots{};
    std::array<int32_t, kTargetSlots> entryCount{};  // entries stored in each slot
};

enum class VersionTest : int32_t {
    Unusable = 0,
    Any = 1,
    Gt = 2,
    GtEq = 3,
    Lt = 4,
    LtEq = 5,
    Eq = 6,
};

struct TargetRule {
    int32_t versionValue = 0;
    VersionTest versionTest = VersionTest::Unusable;
    platform::FixedText<kWarningCapacity> warning;  // empty = no warning
};

// Implemented by the "Upgrade Firmware" dialog; the worker reports to it.
class UpgradeNotes;

struct UpgradeContext {
    UpgradeNotes* dialogWindow = nullptr;
    bool succeeded = false;
    // One model for the whole descriptor; a longer model field is cut.
    platform::FixedText<kTargetModelCapacity> targetModel;
    std::array<TargetRule, kTargetSlots> targets{};
    LoadEntry* entries = nullptr;  // the chosen slot, kMaxLoadEntries long
};

// The highest flash sector a LOAD or OVER line may name for this target model.
int32_t MaxSector(std::string_view targetModel);

// The bootloader holds access codes for sectors 0 to 14 only, whatever the
// model allows; a plan naming a higher sector could never be completed.
inline constexpr int32_t kHighestLoaderSector = 14;

}  // namespace orvane::firmware
