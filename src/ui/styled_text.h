#pragma once
// Text in runs of one style, for the information pane.

#include <string>
#include <vector>

#include "ui/controls.h"

namespace orvane::ui {

enum class TextStyle { Unchanged, Bold, Warning };

struct StyledRun {
    std::string text;
    TextStyle style = TextStyle::Unchanged;
    bool operator==(const StyledRun&) const = default;
};

// The warning colour, red 255 green 40 blue 40.
inline constexpr unsigned kWarningRed = 255, kWarningGreen = 40, kWarningBlue = 40;

// The information pane: styled text in a box the layout places.
class InfoPaneView : public Control {
  public:
    // Replaces the whole content and scrolls to its end.
    virtual void SetRuns(const std::vector<StyledRun>& runs) = 0;
};

}  // namespace orvane::ui
