#include "script/script_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/text_format.h"
#include "script/script_interpreter.h"
#include "script/script_texts.h"
#include "ui/app_strings.h"

namespace orvane::script {

namespace {

constexpr char kCtrlZ = '\x1A';

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

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
        if (c == '\r') lastCr_ = length_;
        if (kept_.size() < kMaxScriptLineLength) kept_.push_back(c);
        ++length_;
    }
    ScriptFileLine Finish() {
        std::size_t length = lastCr_ ? *lastCr_ : length_;
        std::string_view text(kept_.data(), std::min(length, kept_.size()));
        return {text, length};
    }
    void Reset() {
        kept_.clear();
        length_ = 0;
        lastCr_.reset();
        ended_ = false;
    }

private:
    std::string kept_;
    std::size_t length_ = 0;
    std::optional<std::size_t> lastCr_;
    bool ended_ = false;  // a zero byte was seen: the rest of the line does not count
};

void Inform(ui::MessageBoxes& boxes, const char* format, const std::string& path) {
    boxes.Inform(platform::Format(format, path.c_str()), ui::kAppName);
}

bool IsScriptLine(std::string_view text) { return !text.empty() && (text[0] == '"' || text[0] == '#'); }

// Cuts bytes into lines, whatever the size of the pieces they come in.
class LineSplitter {
public:
    explicit LineSplitter(const LineHandler& onLine) : onLine_(onLine) {}
    void Feed(std::string_view bytes) {
        for (char c : bytes) {
            if (c == '\n') {
                onLine_(line_.Finish());
                line_.Reset();
                pending_ = false;
            } else {
                line_.Add(c);
                pending_ = true;
            }
        }
    }
    // The last line counts without its line feed, too.
    void End() {
        if (pending_) onLine_(line_.Finish());
    }

private:
    const LineHandler& onLine_;
    LineBuilder line_;
    bool pending_ = false;  // bytes of a line without its line feed yet
};

// Passes every line to the handler; false when the script cannot be read.
using LineSource = std::function<bool(const LineHandler&)>;

// Reads and checks the script, passing each line on; shows the message and
// returns false when it cannot be read or is not a script.
bool ScanScript(ui::MessageBoxes& boxes, const std::string& path, const LineSource& read,
                const LineHandler& onLine) {
    int scriptLines = 0;
    bool readAll = read([&](const ScriptFileLine& line) {
        if (IsScriptLine(line.text)) ++scriptLines;
        if (onLine) onLine(line);
    });
    if (!readAll) {
        Inform(boxes, kUnableToReadFile, path);
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

bool ReadScriptFileLines(const std::string& path, const LineHandler& onLine) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::vector<char> chunk(64 * 1024);
    LineSplitter lines(onLine);
    for (;;) {
        std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file.get());
        lines.Feed(std::string_view(chunk.data(), n));
        if (n < chunk.size()) break;
    }
    // A read error (a directory, a failing disk) is not the end of the script.
    if (std::ferror(file.get())) return false;
    lines.End();
    return true;
}

bool ChooseScriptFile(ui::FileDialogs& dialogs, ui::MessageBoxes& boxes, std::string& path) {
    path.clear();
    ui::FileDialogRequest request;
    request.title = kSelectScriptTitle;
    request.filters = {{kScriptFilterName, kScriptFilterPattern}};
    request.fileMustExist = true;
    request.pathMustExist = true;
    request.hideReadOnly = true;
    std::optional<std::string> chosen = dialogs.OpenFile(request);
    if (!chosen || chosen->empty()) return false;
    path = *chosen;
    return ScanScript(boxes, path, FileSource(path), nullptr);
}

bool LoadScriptFile(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& path, bool load) {
    return load ? LoadScript(boxes, list, path, FileSource(path))
                : ScanScript(boxes, path, FileSource(path), nullptr);
}

bool LoadScriptText(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& name,
                    std::string_view bytes) {
    return LoadScript(boxes, list, name, [bytes](const LineHandler& onLine) {
        LineSplitter lines(onLine);
        lines.Feed(bytes);
        lines.End();
        return true;
    });
}

}  // namespace orvane::script
