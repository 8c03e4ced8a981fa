#pragma once
// The parts of the main window that a script drives, in-memory, with their
// connection record. No GoogleTest here: the script_line fuzz harness uses it.

#include "script/script_host.h"
#include "support/fake_ui.h"
#include "ui/memory_controls.h"

namespace orvane::testing {

struct ScriptWindow {
    transport::ConnectionRecord record;
    bool convertBinary = true;
    ui::MemoryTextBox results;
    ui::MemoryControl commandLine, sendButton;
    ui::MemoryListBox list;
    ui::MemoryButton runButton, stepButton, closeButton;
    ui::CommandQueue poster;
    FakePaneLayout layout;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    FakeBeeper beeper;
    script::ScriptHost host{results,    commandLine, sendButton, list,         runButton,
                            stepButton, closeButton, poster,     layout,       dialogs,
                            boxes,      beeper,      record,     convertBinary};
};

}  // namespace orvane::testing
