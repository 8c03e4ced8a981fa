#pragma once
// Where the desktop program meets its user outside the main window: message
// boxes, file dialogs, the wait cursor, the bell and modal dialogs. Each has a
// policy that a test installs to answer in place of the user: the box or the
// dialog is built exactly as for a person, then handed to the policy instead of
// being shown and waited for.

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/script_beep.h"
#include "ui/wait_cursor.h"

namespace orvane::gui {

// --- Message boxes

using MessageBoxPolicy =
    std::function<ui::MessageAnswer(const ui::MessageRequest&, QMessageBox& box)>;
// An empty policy restores real boxes.
void SetMessageBoxPolicy(MessageBoxPolicy policy);

class MessageBoxWindow final : public ui::MessageBoxes {
  public:
    // owner: the window the box belongs to; may be null.
    explicit MessageBoxWindow(QWidget* owner) : owner_(owner) {}
    ui::MessageAnswer Show(const ui::MessageRequest& request) override;

  private:
    QPointer<QWidget> owner_;
};

// --- File dialogs

struct FileDialogCall {
    ui::FileDialogRequest request;
    bool save = false;
};
using FileDialogPolicy =
    std::function<std::optional<std::string>(const FileDialogCall&, QFileDialog& dialog)>;
void SetFileDialogPolicy(FileDialogPolicy policy);

class FileDialogWindow final : public ui::FileDialogs {
  public:
    explicit FileDialogWindow(QWidget* owner) : owner_(owner) {}
    std::optional<std::string> OpenFile(const ui::FileDialogRequest& request) override;
    ui::FileChoice SaveFile(const ui::FileDialogRequest& request) override;

  private:
    ui::FileChoice Run(const ui::FileDialogRequest& request, bool save);
    QPointer<QWidget> owner_;
};

// "Text File *.txt" with "*.txt" reads "Text File *.txt (*.txt) (*.txt *.[tT][xX][tT])":
// shown without its last parentheses, it matches names in any letter case.
QStringList NameFilters(const std::vector<ui::FileFilter>& filters);

// --- The hourglass

class AppWaitCursor final : public ui::WaitCursor {
  public:
    void Begin() override;
    void End() override;
};

// --- The bell a script rings

class AppBeeper final : public ui::Beeper {
  public:
    void Beep() override;
};

// --- Modal dialogs

// Called once the dialog shows, inside its own event loop; a test acts on the
// dialog's widgets from there and closes it.
using ModalDialogPolicy = std::function<void(QDialog& dialog)>;
void SetModalDialogPolicy(ModalDialogPolicy policy);
// Shows the dialog modally and returns its result.
int RunModal(QDialog& dialog);

}  // namespace orvane::gui
