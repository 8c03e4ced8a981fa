#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_options.h"

namespace orvane::cli {
namespace {

int firstError = 0;

void NoteFailure() {
    if (firstError == 0) firstError = errno;
}

}  // namespace

void WriteStdout(std::string_view text) {
    if (firstError != 0) return;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) NoteFailure();
}

int StdoutError() { return firstError; }

int FinishStdout(int status) {
    // The close reports what a file system keeps back until then; a stdout that
    // was never open only matters if something was written to it.
    if (std::fclose(stdout) != 0 && errno != EBADF) NoteFailure();
    if (firstError == 0 || firstError == EPIPE) return status;
    std::fprintf(stderr, "%s%s\n", kStdoutWriteFailed, std::strerror(firstError));
    return status == kExitOk ? kExitOutputFailed : status;
}

}  // namespace orvane::cli
