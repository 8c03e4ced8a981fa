#pragma once
// The open and save file dialogs: title, filters and flags in, a path or nothing out.

#include <optional>
#include <string>
#include <vector>

namespace orvane::ui {

struct FileFilter {
    std::string name;     // "Script Files"
    std::string pattern;  // "*.txt"; several separated by ";"
};

struct FileDialogRequest {
    std::string title;  // empty: the front end's default ("Open", "Save As")
    std::vector<FileFilter> filters;
    int filterIndex = 1;  // 1-based, as the dialogs count
    std::string defaultExtension;
    bool fileMustExist = false;
    bool pathMustExist = false;
    bool overwritePrompt = false;
    bool hideReadOnly = false;
};

// How a dialog ended. A cancel is the user's choice and nothing to report; a
// dialog that failed is.
struct FileChoice {
    enum class Outcome { Chosen, Cancelled, Failed };
    Outcome outcome = Outcome::Cancelled;
    std::string path;  // when Chosen
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Nothing when the user cancelled or the dialog failed: opening says
    // nothing in either case.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual FileChoice SaveFile(const FileDialogRequest& request) = 0;
};

}  // namespace orvane::ui
