#pragma once
// Standard output, written through one place so that a failed write is noticed:
// the command stops sending at its next line, and the exit status says so.

#include <string_view>

namespace orvane::cli {

// Followed by the system's reason and a line end, on stderr.
inline constexpr char kStdoutWriteFailed[] = "orvane2-cli: cannot write to standard output: ";

// The program's one stdout; everything that prints is handed it.
class StandardOutput {
  public:
    StandardOutput() = default;
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    // Writes and flushes at once: replies show as they come. After a failure
    // nothing more is written.
    void Write(std::string_view text);
    // The error number of the first failed write; 0 while everything went out.
    int Error() const { return firstError_; }
    // Flushes and closes stdout as the program ends; the exit status, given the
    // command's own. A reader that went away (a closed pipe) ends it quietly with
    // the command's status; any other failure is reported and makes a success 1.
    int Finish(int status);

  private:
    void NoteFailure();

    int firstError_ = 0;
};

}  // namespace orvane::cli
