#include "gui/dialog_units.h"

#include <QFontMetrics>

namespace orvane::gui {

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
    if (baseX_ < 1) baseX_ = 1;
    if (baseY_ < 1) baseY_ = 1;
}

// Rounded to the nearest pixel, as the dialog manager does.
int DialogUnits::X(int units) const {
    return (units * baseX_ * 2 + 4) / 8;
}
int DialogUnits::Y(int units) const {
    return (units * baseY_ * 2 + 8) / 16;
}

}  // namespace orvane::gui
