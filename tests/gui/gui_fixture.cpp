#include "gui_fixture.h"

#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <filesystem>

namespace orvane::testing {

GuiTest::GuiTest() {
    char tmpl[] = "/tmp/orvane2-gui-XXXXXX";
    dir_ = mkdtemp(tmpl);
    gui::SetMessageBoxPolicy([this](const ui::MessageRequest& request, QMessageBox& box) {
        boxes.push_back(request);
        if (onBox) onBox(box);
        if (answers.empty()) {
            switch (request.buttons) {
                case ui::MessageButtons::YesNo:
                case ui::MessageButtons::YesNoCancel:
                    return ui::MessageAnswer::Yes;
                case ui::MessageButtons::RetryCancel:
                    return ui::MessageAnswer::Retry;
                default:
                    return ui::MessageAnswer::Ok;
            }
        }
        ui::MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    });
    gui::SetFileDialogPolicy(
        [this](const gui::FileDialogCall& call, QFileDialog& dialog) -> std::optional<std::string> {
            fileDialogs.push_back(call);
            QStringList shown;
            if (auto* types = dialog.findChild<QComboBox*>("fileTypeCombo")) {
                for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
            }
            fileTypesShown.push_back(shown);
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
    std::filesystem::remove_all(dir_);
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
    QPixmap content = widget.grab();
    if (!widget.isWindow()) {
        EXPECT_TRUE(content.save(path)) << path.toStdString();
        return;
    }
    // Offscreen there is no window manager: draw a plain title bar so that the
    // caption and the icon can be judged too.
    const int bar = 28;
    QPixmap shot(content.width(), content.height() + bar);
    shot.fill(QColor(0x3c, 0x3f, 0x44));
    QPainter p(&shot);
    p.drawPixmap(0, bar, content);
    QIcon icon = widget.windowIcon();
    if (!icon.isNull()) p.drawPixmap(6, 6, icon.pixmap(16, 16));
    p.setPen(Qt::white);
    p.drawText(QRect(28, 0, content.width() - 34, bar), Qt::AlignVCenter | Qt::AlignLeft,
               widget.windowTitle());
    p.end();
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
}

}  // namespace orvane::testing
