#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/process_start.h"
#include "platform/win32_support.h"

namespace orvane::platform {

void PrepareProcess() {
    // No dialog box for a drive without a disk or a crash: the programs run
    // unattended in scripts and must fail with a message instead.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    // The programs write their bytes as they are, one line end "\n" as on
    // Linux; the console starts a new line for it all the same.
    ::_setmode(_fileno(stdin), _O_BINARY);
    ::_setmode(_fileno(stdout), _O_BINARY);
    ::_setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace orvane::platform
