#pragma once
// The hourglass. The core holds a WaitCursorGuard while it works; the cursor is
// restored when the guard goes, on every path, exceptions included.

namespace orvane::ui {

class WaitCursor {
  public:
    virtual ~WaitCursor() = default;
    virtual void Begin() = 0;  // nests: every Begin is matched by one End
    virtual void End() = 0;
};

// For a front end without a pointer.
class NullWaitCursor final : public WaitCursor {
  public:
    void Begin() override {}
    void End() override {}
};

class WaitCursorGuard {
  public:
    explicit WaitCursorGuard(WaitCursor& cursor) : cursor_(cursor) { cursor_.Begin(); }
    ~WaitCursorGuard() { cursor_.End(); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;

  private:
    WaitCursor& cursor_;
};

}  // namespace orvane::ui
