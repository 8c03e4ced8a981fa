#include "gui_fixture.h"

#include <QDir>
#include <QTest>

namespace orvane::testing {

GuiTest::GuiTest() {
    gui::SetMessageBoxPolicy([this](const ui::MessageRequest& request, QMessageBox&) {
        boxes.push_back(request);
        switch (request.buttons) {  // the first button
            case ui::MessageButtons::YesNo:
            case ui::MessageButtons::YesNoCancel:
                return ui::MessageAnswer::Yes;
            case ui::MessageButtons::RetryCancel:
                return ui::MessageAnswer::Retry;
            default:
                return ui::MessageAnswer::Ok;
        }
    });
    gui::SetFileDialogPolicy(
        [this](const gui::FileDialogCall& call, QFileDialog&) -> std::optional<std::string> {
            fileDialogs.push_back(call);
            if (files.empty()) return std::nullopt;
            auto path = files.front();
            files.pop_front();
            return path;
        });
    gui::SetModalDialogPolicy([this](QDialog& dialog) {
        dialogsSeen.push_back(dialog.objectName().toStdString());
        if (dialogs.empty()) {
            ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
            dialog.done(QDialog::Rejected);
            return;
        }
        auto handler = std::move(dialogs.front());
        dialogs.pop_front();
        handler(dialog);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the test left " << dialog.objectName().toStdString() << " open";
            dialog.done(QDialog::Rejected);
        }
    });
}

GuiTest::~GuiTest() {
    gui::SetMessageBoxPolicy({});
    gui::SetFileDialogPolicy({});
    gui::SetModalDialogPolicy({});
    EXPECT_TRUE(dialogs.empty()) << dialogs.size() << " expected dialog(s) never came";
}

bool GuiTest::WaitFor(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

void GuiTest::Settle(int ms) {
    QTest::qWait(ms);
}

void GuiTest::Screenshot(QWidget& widget, const std::string& name) {
    QDir().mkpath(QStringLiteral(ORVANE_SCREENSHOT_DIR));
    QString path =
        QStringLiteral(ORVANE_SCREENSHOT_DIR "/") + QString::fromStdString(name) + ".png";
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

}  // namespace orvane::testing
