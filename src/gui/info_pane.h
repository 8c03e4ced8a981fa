#pragma once
// The information pane: the core's styled runs in a read-only rich-text box.
// Unchanged runs are set at normal weight, so a value never inherits the bold of
// the heading before it.

#include <QTextEdit>
#include <vector>

#include "gui/widget_controls.h"
#include "ui/styled_text.h"

namespace orvane::gui {

class InfoPaneBox final : public WidgetControl<ui::InfoPaneView> {
  public:
    explicit InfoPaneBox(QTextEdit* edit) : WidgetControl(edit), edit_(edit) {}
    void SetRuns(const std::vector<ui::StyledRun>& runs) override;
    QTextEdit* edit() const { return edit_; }

  private:
    QTextEdit* edit_;
};

}  // namespace orvane::gui
