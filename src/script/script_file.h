#pragma once
// Script files: choosing one in the open-file dialog, checking that it is a
// script, and loading its lines into the script list.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

namespace orvane::script {

struct ScriptFileLine {
    // The line without its line end (CR LF, LF or a lone CR), cut at a zero
    // byte. Only its first kMaxScriptLineLength characters are kept.
    std::string_view text;
    std::size_t length = 0;  // the whole length after that cut
};

using LineHandler = std::function<void(const ScriptFileLine&)>;

enum class ScriptRead {
    Read,
    CannotRead,  // cannot be opened or read, or not a regular file
    NotText,     // a zero byte among its first 64 KiB
};

// Calls onLine for every line of the file, the last one also without a line
// end. Memory stays bounded whatever the file holds.
ScriptRead ReadScriptFileLines(const std::string& path, const LineHandler& onLine);

// Shows the open-file dialog and checks the chosen file: its path when it is a
// script. A cancelled dialog is silent; a refused file is reported in a
// message box.
std::optional<std::string> ChooseScriptFile(ui::FileDialogs& dialogs, ui::MessageBoxes& boxes);

// Checks the file and, with load set, replaces the list's items with its lines
// (leaving out empty lines, a Ctrl-Z end mark and lines too long for the list).
// True when the file is a script: readable, text, with at least one command or
// directive line and no raw control byte but tab in a command line.
bool LoadScriptFile(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& path, bool load);
// The same for a script already in memory, with load set; name stands for its
// path in the messages.
bool LoadScriptText(ui::MessageBoxes& boxes, ui::ListBox& list, const std::string& name,
                    std::string_view bytes);

}  // namespace orvane::script
