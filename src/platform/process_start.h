#pragma once
// What every program of the suite does first thing in main, before it opens
// any file, socket or device (and before Qt does).

namespace orvane::platform {

// Opens /dev/null on any of the standard descriptors 0, 1 and 2 that is closed,
// so that the next descriptor opened (an instrument's port, say) cannot take its
// number and receive what is printed, or be read as typed input. Also ignores
// SIGXFSZ, so that a write past the file-size limit fails with EFBIG and is
// reported like any other failed write instead of killing the process.
void PrepareProcess();

}  // namespace orvane::platform
