#include "gui/fixed_pitch_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace orvane::gui {

QFont FixedPitchFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(font).fixedPitch()) return font;
    // fontconfig can rank first a "monospace" face with a few double-width
    // glyphs, which it then does not call fixed pitch (Noto Sans Mono).
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family) || !QFontDatabase::isSmoothlyScalable(family))
            continue;
        QFont candidate = font;
        candidate.setFamily(family);
        if (QFontInfo(candidate).fixedPitch()) return candidate;
    }
    return font;
}

}  // namespace orvane::gui
