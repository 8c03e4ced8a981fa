#pragma once
// Everything of the main window that the script engine reaches, as ui/
// interfaces, together with the shell's connection and its "Convert Binary"
// setting. The shell builds one and hands it to the ScriptRunner; every
// reference must outlive the runner.

#include <cstdint>

#include "transport/connection_record.h"
#include "ui/command_poster.h"
#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/pane_layout.h"
#include "ui/script_beep.h"

namespace orvane::script {

// The parameter of a Run/Stop command (18006) that the script engine posts
// itself. Such a request only ever stops a running script; the button's own
// command (parameter 0) toggles.
inline constexpr intptr_t kStopRequest = 1;

struct ScriptHost {
    ui::TextBox& resultsPane;  // 18000
    ui::Control& commandLine;  // 18002
    ui::Control& sendButton;   // 18003
    ui::ListBox& scriptList;   // 18005
    ui::Button& runButton;     // 18006
    ui::Button& stepButton;    // 18007
    ui::Button& closeButton;   // 18008
    ui::CommandPoster& mainWindow;
    ui::PaneLayout& layout;
    ui::FileDialogs& fileDialogs;
    ui::MessageBoxes& messageBoxes;
    ui::Beeper& beeper;
    transport::ConnectionRecord& record;
    bool& convertBinary;  // the shell's "Convert Binary" setting
};

}  // namespace orvane::script
