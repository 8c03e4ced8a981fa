#pragma once
// A settings file of sections and keys, read and written the way the private-
// profile functions do it: names compared without regard to case, the first of
// duplicate sections or keys wins, integers from their leading digits, and a
// write changes only its own line, keeping every other section, key and comment.
// Every write reads, changes and replaces the file atomically (temporary file,
// fsync, rename) while holding an flock() on "<file>.lock" beside it, so that
// programs writing at the same time do not undo each other's keys.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform {

// How a write of a file went: the system's error number when it failed, so
// that a message can say why.
struct WriteResult {
    int error = 0;
    bool ok() const { return error == 0; }
    std::string Reason() const;
};

class IniFile {
  public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}
    // The same rules over text held in memory, never touching a disk: for
    // running the parser over many inputs quickly.
    static IniFile InMemory(std::string text);

    const std::string& path() const { return path_; }
    bool Exists() const;
    // Why the file cannot be read (the system's reason, "Is a directory" for a
    // folder); empty when it can be, or when there is no file yet. Reads then
    // see every key missing.
    std::string ReadProblem() const;

    // The value, or fallback when the section or key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The leading decimal number of the value (optional sign), 0 when it has none,
    // or fallback when the key is missing.
    int ReadInt(std::string_view section, std::string_view key, int fallback) const;

    // Fails when the file could not be written, or could not be read (it is
    // then kept as it is rather than replaced by this one key); the old file is
    // left whole.
    WriteResult WriteString(std::string_view section, std::string_view key, std::string_view value);
    WriteResult WriteInt(std::string_view section, std::string_view key, int value);

  private:
    struct Text {
        std::string bytes;
        int error = 0;  // why an existing file could not be read
    };
    Text ReadText() const;
    static std::string WithValue(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value);

    std::string path_;
    std::optional<std::string> text_;  // the content of an in-memory file
};

// Writes bytes to path through a temporary file in the same folder, fsync and
// rename, so that path holds either the old or the new content, never a part.
// A failed write leaves no temporary file behind.
WriteResult WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orvane::platform
