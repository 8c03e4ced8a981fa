#pragma once
// The bootloader conversation that programs the instrument's flash, run on a
// thread of its own: bootloader entry, access codes, sector erase, every hex
// record of every file, restart. It reports only through the context's dialog.

#include "firmware/upgrade_plan.h"
#include "transport/connection_record.h"

namespace orvane::firmware {

// The fixed waits of the conversation, in milliseconds.
inline constexpr uint32_t kSettleBeforeEntryMs = 1000;
inline constexpr uint32_t kBootloaderStartMs = 5000;
inline constexpr uint32_t kAfterRestartCommandMs = 500;
inline constexpr uint32_t kAfterRestartByteMs = 1000;
// Tries per hex record before the file counts as failed.
inline constexpr int kRecordTries = 4;

// The thread body. The caller keeps the context and the record alive and
// untouched until the dialog has had NoteFinished; context.entries points at
// the chosen slot's kMaxLoadEntries entries. Sets context.succeeded once the
// restart commands have gone. Returns 0.
int UpgradeWorker(UpgradeContext& context, transport::ConnectionRecord& record);

}  // namespace orvane::firmware
