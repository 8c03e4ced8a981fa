#include "gui/info_pane.h"

#include <QColor>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>

#include "gui/widget_controls.h"

namespace orvane::gui {

void InfoPaneBox::SetRuns(const std::vector<ui::StyledRun>& runs) {
    edit_->clear();
    QTextCursor cursor(edit_->document());
    for (const ui::StyledRun& run : runs) {
        QTextCharFormat format;
        format.setFontWeight(run.style == ui::TextStyle::Unchanged ? QFont::Normal : QFont::Bold);
        if (run.style == ui::TextStyle::Warning) {
            format.setForeground(QColor(ui::kWarningRed, ui::kWarningGreen, ui::kWarningBlue));
        }
        cursor.insertText(FromLatin1(run.text), format);
    }
    edit_->setTextCursor(cursor);
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
}

}  // namespace orvane::gui
