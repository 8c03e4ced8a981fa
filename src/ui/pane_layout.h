#pragma once
// What the script runner asks of the window's layout: room for the script panel
// below the panes, or none. The layout decides the heights.

namespace orvane::ui {

class PaneLayout {
  public:
    virtual ~PaneLayout() = default;
    virtual void SetScriptPanelShown(bool shown) = 0;
};

}  // namespace orvane::ui
