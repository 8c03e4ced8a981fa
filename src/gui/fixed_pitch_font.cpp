#include "gui/fixed_pitch_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace orvane::gui {

namespace {

// Nothing when the desktop's fixed-width font will do.
QString StandIn(const QFont& font) {
    if (QFontInfo(font).fixedPitch()) return {};
    // fontconfig can rank first a "monospace" face with a few double-width
    // glyphs, which it then does not call fixed pitch (Noto Sans Mono).
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family) || !QFontDatabase::isSmoothlyScalable(family))
            continue;
        QFont candidate = font;
        candidate.setFamily(family);
        if (QFontInfo(candidate).fixedPitch()) return family;
    }
    return {};
}

}  // namespace

QFont FixedPitchFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Looked for once: the preview asks for every run of its text.
    static const QString standIn = StandIn(font);
    if (!standIn.isEmpty()) font.setFamily(standIn);
    return font;
}

}  // namespace orvane::gui
