#pragma once
// Opening a file that must be a regular file (scripts, upgrade descriptors, hex
// files, the comms log, saved results). A FIFO, a device or a folder where a
// file was expected is refused: a FIFO without its other end would hang the
// open, and /dev/zero would be read for ever while the port is held.

#include <cstdio>
#include <memory>
#include <string>

namespace orvane::platform {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileStream = std::unique_ptr<std::FILE, StreamCloser>;

enum class FileAccess {
    Read,
    Replace,         // created, or emptied when it exists
    Append,          // created when missing
    AppendExisting,  // never created: a missing file is Missing
};

enum class FileRefusal { None, Missing, CannotOpen, Folder, NotRegular };

struct RegularFile {
    FileStream stream;  // set exactly when refusal is None
    FileRefusal refusal = FileRefusal::None;
    std::string reason;  // the system's text for Missing and CannotOpen
    bool ok() const { return refusal == FileRefusal::None; }
};

// Opens without waiting (a FIFO cannot hold the open), then checks what was
// opened, so that nothing can be swapped in between. Links are followed.
RegularFile OpenRegularFile(const std::string& path, FileAccess access);

}  // namespace orvane::platform
