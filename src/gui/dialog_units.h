#pragma once
// Dialog units: the dialogs are laid out in units of the dialog font's average
// character size (a quarter of its width across, an eighth of its height down),
// so they keep their proportions whatever font and size the desktop uses.

#include <QFont>
#include <QRect>

namespace orvane::gui {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

  private:
    int baseX_;
    int baseY_;
};

}  // namespace orvane::gui
