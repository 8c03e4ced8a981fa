#include "gui/interaction.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <utility>

#include "gui/widget_controls.h"

namespace orvane::gui {

namespace {

MessageBoxPolicy& BoxPolicy() {
    static MessageBoxPolicy policy;
    return policy;
}

FileDialogPolicy& FilePolicy() {
    static FileDialogPolicy policy;
    return policy;
}

ModalDialogPolicy& ModalPolicy() {
    static ModalDialogPolicy policy;
    return policy;
}

QMessageBox::Icon IconOf(ui::MessageIcon icon) {
    switch (icon) {
        case ui::MessageIcon::Information:
            return QMessageBox::Information;
        case ui::MessageIcon::Warning:
            return QMessageBox::Warning;
        case ui::MessageIcon::Error:
            return QMessageBox::Critical;
        case ui::MessageIcon::Question:
            return QMessageBox::Question;
        case ui::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

ui::MessageAnswer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return ui::MessageAnswer::Yes;
        case QMessageBox::No:
            return ui::MessageAnswer::No;
        case QMessageBox::Retry:
            return ui::MessageAnswer::Retry;
        case QMessageBox::Ok:
            return ui::MessageAnswer::Ok;
        default:
            return ui::MessageAnswer::Cancel;
    }
}

// A window manager gives the keyboard back to the owner when a modal window
// closes, but not every time, and without one nothing does: the keys typed
// next would go nowhere.
void ReturnFocus(QWidget* owner) {
    if (!owner) return;
    QWidget* window = owner->window();
    if (!window->isVisible() || QApplication::activeWindow() == window) return;
    window->raise();
    window->activateWindow();
}

// "*.up*" -> "*.[uU][pP]*". Names on this system keep their letter case, and
// the desktop's own file dialogs match a pattern in the case it is written.
QString AnyLetterCase(const QString& pattern) {
    QString out;
    for (QChar c : pattern) {
        if (c.unicode() < 0x80 && c.isLetter()) {
            out += u'[' + c.toLower() + c.toUpper() + u']';
        } else {
            out += c;
        }
    }
    return out;
}

// The folder the last file dialog ended in; the next one starts there.
QString& LastFolder() {
    static QString folder;
    return folder;
}

}  // namespace

void SetMessageBoxPolicy(MessageBoxPolicy policy) {
    BoxPolicy() = std::move(policy);
}
void SetFileDialogPolicy(FileDialogPolicy policy) {
    FilePolicy() = std::move(policy);
}
void SetModalDialogPolicy(ModalDialogPolicy policy) {
    ModalPolicy() = std::move(policy);
}

ui::MessageAnswer MessageBoxWindow::Show(const ui::MessageRequest& request) {
    // The comms log reports a failed write from whichever thread wrote, the
    // upgrade's worker among them; a box is a widget of the window's thread.
    // Only notices come this way, so the writer does not wait for the answer.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner = owner_, request] { MessageBoxWindow(owner.data()).Show(request); },
            Qt::QueuedConnection);
        return request.buttons == ui::MessageButtons::Ok ? ui::MessageAnswer::Ok
                                                         : ui::MessageAnswer::Cancel;
    }
    QMessageBox box(owner_.data());
    box.setWindowTitle(FromUtf8(request.caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(FromUtf8(request.text));
    box.setIcon(IconOf(request.icon));
    // The first button is the default, as in every box of this kind.
    switch (request.buttons) {
        case ui::MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case ui::MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case ui::MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case ui::MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case ui::MessageButtons::RetryCancel:
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Retry);
            break;
    }
    if (BoxPolicy()) return BoxPolicy()(request, box);
    const int button = box.exec();
    ReturnFocus(owner_);
    return AnswerOf(button);
}

QStringList NameFilters(const std::vector<ui::FileFilter>& filters) {
    QStringList out;
    for (const ui::FileFilter& f : filters) {
        const QStringList patterns = FromUtf8(f.pattern).split(u';', Qt::SkipEmptyParts);
        QStringList matched = patterns;
        for (const QString& p : patterns) {
            if (AnyLetterCase(p) != p) matched << AnyLetterCase(p);
        }
        // The plain patterns come first: a save dialog takes its extension from the first.
        out << FromUtf8(f.name) + " (" + patterns.join(u' ') + ") (" + matched.join(u' ') + ")";
    }
    return out;
}

std::optional<std::string> FileDialogWindow::OpenFile(const ui::FileDialogRequest& request) {
    ui::FileChoice choice = Run(request, false);
    if (choice.outcome != ui::FileChoice::Outcome::Chosen) return std::nullopt;
    return choice.path;
}

ui::FileChoice FileDialogWindow::SaveFile(const ui::FileDialogRequest& request) {
    return Run(request, true);
}

ui::FileChoice FileDialogWindow::Run(const ui::FileDialogRequest& request, bool save) {
    using Outcome = ui::FileChoice::Outcome;
    QString title = FromUtf8(request.title);
    if (title.isEmpty()) title = save ? QStringLiteral("Save As") : QStringLiteral("Open");
    QFileDialog dialog(owner_.data(), title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.fileMustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    // Shows each filter up to its last parentheses, which hold what is matched.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters = NameFilters(request.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
    }
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
    if (!LastFolder().isEmpty() && QDir(LastFolder()).exists()) dialog.setDirectory(LastFolder());

    if (FilePolicy()) {
        std::optional<std::string> path = FilePolicy()({request, save}, dialog);
        return path ? ui::FileChoice{Outcome::Chosen, *path} : ui::FileChoice{};
    }
    const int result = dialog.exec();
    ReturnFocus(owner_);
    if (result != QDialog::Accepted) return {};
    if (dialog.selectedFiles().isEmpty()) return {Outcome::Failed, {}};
    QString chosen = dialog.selectedFiles().front();
    LastFolder() = QFileInfo(chosen).absolutePath();
    QByteArray path = QFile::encodeName(chosen);
    return {Outcome::Chosen, std::string(path.constData(), static_cast<std::size_t>(path.size()))};
}

void AppWaitCursor::Begin() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
void AppWaitCursor::End() {
    QApplication::restoreOverrideCursor();
}

void AppBeeper::Beep() {
    QApplication::beep();
}

int RunModal(QDialog& dialog) {
    if (ModalPolicy()) {
        QPointer<QDialog> target(&dialog);
        QMetaObject::invokeMethod(
            &dialog,
            [target] {
                if (target && ModalPolicy()) ModalPolicy()(*target);
            },
            Qt::QueuedConnection);
    }
    const int result = dialog.exec();
    ReturnFocus(dialog.parentWidget());
    return result;
}

}  // namespace orvane::gui
