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

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Nothing when the user cancelled or the dialog failed.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
};

}  // namespace orvane::ui
