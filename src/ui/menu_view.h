#pragma once
// The main window's menu items, by command id.

namespace orvane::ui {

class MenuView {
  public:
    virtual ~MenuView() = default;
    virtual void EnableItem(int id, bool enabled) = 0;
    virtual void CheckItem(int id, bool checked) = 0;
};

// For a front end without a menu.
class NullMenu final : public MenuView {
  public:
    void EnableItem(int, bool) override {}
    void CheckItem(int, bool) override {}
};

}  // namespace orvane::ui
