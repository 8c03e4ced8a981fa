#pragma once
// The main window itself: its caption and its sizes.

#include <string>

namespace orvane::ui {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

class WindowFrameView {
  public:
    virtual ~WindowFrameView() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual Size OuterSize() const = 0;
    virtual Size ClientSize() const = 0;
    virtual Size ScreenSize() const = 0;
    // The part of the screen a window may cover: the screen less its panels.
    virtual Size WorkArea() const = 0;
};

// For a front end without a window: every size is zero, so none is stored or
// restored.
class NullWindowFrame final : public WindowFrameView {
  public:
    void SetTitle(const std::string&) override {}
    Size OuterSize() const override { return {}; }
    Size ClientSize() const override { return {}; }
    Size ScreenSize() const override { return {}; }
    Size WorkArea() const override { return {}; }
};

}  // namespace orvane::ui
