#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_options.h"

namespace orvane::cli {

void StandardOutput::NoteFailure() {
    if (firstError_ == 0) firstError_ = errno;
}

void StandardOutput::Write(std::string_view text) {
    if (firstError_ != 0) return;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        NoteFailure();
}

int StandardOutput::Finish(int status) {
    // The close reports what a file system keeps back until then; a stdout that
    // was never open only matters if something was written to it.
    if (std::fclose(stdout) != 0 && errno != EBADF) NoteFailure();
    if (firstError_ == 0 || firstError_ == EPIPE) return status;
    std::fprintf(stderr, "%s%s\n", kStdoutWriteFailed, std::strerror(firstError_));
    return status == kExitOk ? kExitOutputFailed : status;
}

}  // namespace orvane::cli
