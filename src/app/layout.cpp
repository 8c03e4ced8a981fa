#include "app/layout.h"

#include "ui/command_ids.h"

namespace orvane::app {

const std::array<ControlDesign, kControlCount>& ControlDesigns() {
    static const std::array<ControlDesign, kControlCount> designs = {{
        {ui::kIdResultsPane, {6, 6, 648, kPaneHeightConsole}, true, true, false, false},
        {ui::kIdInfoPane, {6, 6, 138, kPaneHeightConsole}, false, true, true, false},
        {ui::kIdCommandLine, {6, 6, 706, 24}, true, false, false, true},
        {ui::kIdSendButton, {6, 6, 75, 24}, false, false, true, true},
        {ui::kIdScriptList, {6, 6, 706, 152}, true, false, false, true},
        {ui::kIdRunStopButton, {6, 134, 75, 24}, false, false, true, true},
        {ui::kIdStepButton, {6, 108, 75, 24}, false, false, true, true},
        {ui::kIdCloseButton, {6, 82, 75, 24}, false, false, true, true},
    }};
    return designs;
}

std::array<ui::Rect, kControlCount> ComputeLayout(ui::Size outer, ui::Size client, int paneHeight,
                                                  ui::Size reference) {
    const int dx = outer.width - reference.width;
    const int dy = outer.height - reference.height;
    std::array<ui::Rect, kControlCount> rects;
    for (int i = 0; i < kControlCount; ++i) {
        const ControlDesign& d = ControlDesigns()[static_cast<std::size_t>(i)];
        ui::Rect r = d.design;
        if (d.id == ui::kIdResultsPane || d.id == ui::kIdInfoPane) r.height = paneHeight;
        if (d.growsWidth) r.width += dx;
        if (d.growsHeight) r.height += dy;
        if (d.anchorRight) r.x = client.width - r.width - d.design.x;
        if (d.anchorBottom) r.y = client.height - r.height - d.design.y;
        rects[static_cast<std::size_t>(i)] = r;
    }
    return rects;
}

ui::Size MinimumWindowSize(ui::Size reference) {
    return {reference.width / 2, reference.height / 2};
}

}  // namespace orvane::app
