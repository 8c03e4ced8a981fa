#pragma once
// What every desktop-program test shares: a settings folder of its own, message
// boxes answered by their first button, file dialogs answered from a queue, and
// modal dialogs handed to the test once they show.

#include <gtest/gtest.h>

#include <QDialog>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/interaction.h"
#include "support/fake_ui.h"
#include "support/temp_folder.h"

namespace orvane::testing {

class GuiTest : public ::testing::Test {
  protected:
    GuiTest() {
        gui::SetMessageBoxPolicy([this](const ui::MessageRequest& request, QMessageBox&) {
            boxes.push_back(request);
            return FirstButton(request.buttons);
        });
        gui::SetFileDialogPolicy([this](const gui::FileDialogCall&, QFileDialog&) {
            return Next(files).value_or(std::nullopt);
        });
        gui::SetModalDialogPolicy([this](QDialog& dialog) {
            const std::string name = dialog.objectName().toStdString();
            if (auto handler = Next(dialogs)) {
                (*handler)(dialog);
                EXPECT_FALSE(dialog.isVisible()) << "the test left " << name << " open";
            } else {
                ADD_FAILURE() << "unexpected dialog " << name;
            }
            if (dialog.isVisible()) dialog.done(QDialog::Rejected);
        });
    }
    ~GuiTest() override {
        gui::SetMessageBoxPolicy({});
        gui::SetFileDialogPolicy({});
        gui::SetModalDialogPolicy({});
        EXPECT_TRUE(dialogs.empty()) << dialogs.size() << " expected dialog(s) never came";
    }

    const TempFolder& folder() const { return dir_; }
    std::string settingsFile() const { return dir_ / "Orvaner.ini"; }

    // The modal dialogs to expect, in order; each handler acts on its dialog and closes it.
    std::deque<std::function<void(QDialog&)>> dialogs;
    std::vector<ui::MessageRequest> boxes;
    std::deque<std::optional<std::string>> files;  // the paths to answer; none: cancel

  private:
    TempFolder dir_;
};

// Finds a dialog's child by its object name (the design's control id).
template <class T>
T* Child(QWidget& parent, int id) {
    return parent.findChild<T*>(QString::number(id));
}

}  // namespace orvane::testing
