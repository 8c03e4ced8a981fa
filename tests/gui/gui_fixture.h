#pragma once
// What every desktop-program test shares: a settings folder of its own, message
// boxes and file dialogs answered by policy, modal dialogs handed to the test
// once they show, waiting on the event loop, and screenshots.

#include <gtest/gtest.h>

#include <QDialog>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/interaction.h"
#include "support/temp_folder.h"
#include "ui/message_box.h"

namespace orvane::testing {

class GuiTest : public ::testing::Test {
  protected:
    GuiTest();
    ~GuiTest() override;

    // A fresh folder for this test's files.
    const TempFolder& folder() const { return dir_; }
    std::string settingsFile() const { return dir_ / "Orvaner.ini"; }

    // Runs the event loop until done() or ms pass; false when time ran out.
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000);
    // Lets queued calls and timers run for a moment.
    static void Settle(int ms = 20);
    // Writes the widget as it looks to <build>/screenshots/<name>.png.
    static void Screenshot(QWidget& widget, const std::string& name);

    // The modal dialogs to expect, in order: each handler acts on the dialog's
    // widgets and closes it.
    std::deque<std::function<void(QDialog&)>> dialogs;
    std::vector<std::string> dialogsSeen;  // object names
    // Message boxes asked for, each answered by its first button.
    std::vector<ui::MessageRequest> boxes;
    // File dialogs: what was asked, and the paths to answer (cancel when none).
    std::vector<gui::FileDialogCall> fileDialogs;
    std::deque<std::optional<std::string>> files;

  private:
    TempFolder dir_;
};

// Finds a dialog's child by its object name (the design's control id).
template <class T>
T* Child(QWidget& parent, int id) {
    return parent.findChild<T*>(QString::number(id));
}

}  // namespace orvane::testing
