#include "script/script_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/regular_file.h"
#include "platform/text_format.h"
#include "script/script_interpreter.h"
#include "script/script_texts.h"
#include "ui/app_strings.h"

namespace orvane::script {

namespace {

constexpr char kCtrlZ = '\x1A';
// A zero byte this early means a binary file, not a script with a stray byte.
constexpr std::size_t kTextProbeBytes = 64 * 1024;

// Builds one line from the bytes of a physical line, keeping only what the
// list could ever hold.
class LineBuilder {
  public:
    void Add(char c) {
        if (ended_) return;
        if (c == '\0') {
            ended_ = true;
            return;
        }
        if (kept_.size() < kMaxScriptLineLength) kept_.push_back(c);
        ++length_;
    }
    ScriptFileLine Finish() const { return {kept_, length_}; }
    void Reset() {
        kept_.clear();
        length_ = 0;
        ended_ = false;
    }

  private:
    std::string kept_;
    std::size_t length_ = 0;
    bool ended_ = false;  // a zero byte was seen: the rest of the line does not count
};

void Inform(ui::MessageBoxes& boxes, const char* format, const std::string& path) {
    boxes.Inform(platform::Format(format, path.c_str()), ui::kAppName);
}

bool IsScriptLine(std::string_view text) {
    return !text.empty() && (text[0] == '"' || text[0] == '#');
}

// A command line goes to the instrument as it stands, so a raw control byte in
// it would act on the instrument (0x19 starts its bootloader); the caret rule
// is the way to send one.
bool HasRawControlByte(std::string_view commandLine) {
    return std::any_of(commandLine.begin(), commandLine.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && c != '\t') || b == 0x7F;
    });
}

// Cuts bytes into lines, whatever the size of the pieces they come in. CR LF,
// LF and a lone CR each end a line.
class LineSplitter {
  public:
    explicit LineSplitter(const LineHandler& onLine) : onLine_(onLine) {}
    // False once the bytes are known not to be text; nothing more is taken then.
    bool Feed(std::string_view bytes) {
        for (char c : bytes) {
            if (c == '\0' && offset_ < kTextProbeBytes) {
                binary_ = true;
                return false;
            }
            ++offset_;
            const bool lfOfCrLf = c == '\n' && afterCr_;
            afterCr_ = c == '\r';
            if (lfOfCrLf) continue;
            if (c == '\n' || c == '\r') {
                onLine_(line_.Finish());
                line_.Reset();
                pending_ = false;
            } else {
                line_.Add(c);
                pending_ = true;
            }
        }
        return true;
    }
    // The last line counts without its line end, too.
    ScriptRead End() {
        if (binary_) return ScriptRead::NotText;
        if (pending_) onLine_(line_.Finish());
        return ScriptRead::Read;
    }

  private:
    const LineHandler& onLine_;
    LineBuilder line_;
    std::size_t offset_ = 0;
    bool pending_ = false;  // bytes of a line without its line end yet
    bool afterCr_ = false;
    bool binary_ = false;
};

// Passes every line to the handler.
using LineSource = std::function<ScriptRead(const LineHandler&)>;

// Reads and checks the script, passing each line on; shows the message and
// returns false when it cannot be read or is not a script.
bool ScanScript(ui::MessageBoxes& boxes, const std::string& path, const LineSource& read,
                const LineHandler& onLine) {
    int scriptLines = 0;
    bool controlBytes = false;
    ScriptRead outcome = read([&](const ScriptFileLine& line) {
        if (IsScriptLine(line.text)) ++scriptLines;
        if (line.text.starts_with('"') && HasRawControlByte(line.text)) controlBytes = true;
        if (onLine) onLine(line);
    });
    if (outcome == ScriptRead::CannotRead) {
        Inform(boxes, kUnableToReadFile, path);
        return false;
    }
    if (outcome == ScriptRead::NotText || controlBytes) {
        Inform(boxes, kBinaryScriptFile, path);
        return false;
    }
    if (scriptLines == 0) {
        Inform(boxes, kNotAScriptFile, path);
        return false;
    }
    return true;
}

LineSource FileSource(const std::string& path) {
    return [&path](const LineHandler& onLine) { return ReadScriptFileLines(path, onLine); };
}

// Replaces the list's items with the script's lines (leaving out empty lines, a
// Ctrl-Z end mark and lines too long for the list).
bool LoadScript(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& path,
                const LineSource& read) {
    list.Clear();
    return ScanScript(boxes, path, read, [&list](const ScriptFileLine& line) {
        if (line.text.empty() || line.text[0] == kCtrlZ) return;
        if (line.length > kMaxScriptLineLength) return;
        list.AddItem(line.text);
    });
}

}  // namespace

ScriptRead ReadScriptFileLines(const std::string& path, const LineHandler& onLine) {
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::Read);
    if (!file.ok()) return ScriptRead::CannotRead;
    std::vector<char> chunk(64 * 1024);
    LineSplitter lines(onLine);
    for (;;) {
        std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file.stream.get());
        if (!lines.Feed(std::string_view(chunk.data(), n))) break;
        if (n < chunk.size()) break;
    }
    // A read error (a failing disk) is not the end of the script.
    if (std::ferror(file.stream.get())) return ScriptRead::CannotRead;
    return lines.End();
}

std::optional<std::string> ChooseScriptFile(ui::FileDialogs& dialogs, ui::MessageBoxes& boxes) {
    ui::FileDialogRequest request;
    request.title = kSelectScriptTitle;
    request.filters = {{kScriptFilterName, kScriptFilterPattern}};
    request.fileMustExist = true;
    request.pathMustExist = true;
    request.hideReadOnly = true;
    std::optional<std::string> chosen = dialogs.OpenFile(request);
    if (!chosen || chosen->empty()) return std::nullopt;
    if (!ScanScript(boxes, *chosen, FileSource(*chosen), nullptr)) return std::nullopt;
    return chosen;
}

bool LoadScriptFile(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& path,
                    bool load) {
    return load ? LoadScript(boxes, list, path, FileSource(path))
                : ScanScript(boxes, path, FileSource(path), nullptr);
}

bool LoadScriptText(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& name,
                    std::string_view bytes) {
    return LoadScript(boxes, list, name, [bytes](const LineHandler& onLine) {
        LineSplitter lines(onLine);
        lines.Feed(bytes);
        return lines.End();
    });
}

}  // namespace orvane::script
