#include "gui/rich_text.h"

#include <QFontInfo>
#include <QTextCharFormat>
#include <QTextCursor>

#include "firmware/rtf_reader.h"
#include "gui/fixed_pitch_font.h"
#include "gui/widget_controls.h"

namespace orvane::gui {

namespace {

// A named font that this machine lacks falls back to one of the same kind: the
// preview's columns line up only in a fixed-pitch face.
QStringList Families(const std::string& font) {
    QStringList families;
    if (!font.empty()) families << FromUtf8(font);
    const QString name = FromUtf8(font).toLower();
    if (name.contains("courier") || name.contains("mono") || name.contains("consol")) {
        families << QFontInfo(FixedPitchFont()).family();
    }
    return families;
}

}  // namespace

void SetRtf(QTextDocument& document, std::string_view rtf) {
    document.clear();
    QTextCursor cursor(&document);
    for (const firmware::RtfRun& run : firmware::ReadRtf(rtf)) {
        QTextCharFormat format;
        QStringList families = Families(run.font);
        if (!families.isEmpty()) format.setFontFamilies(families);
        if (families.size() > 1) format.setFontFixedPitch(true);
        format.setFontPointSize(run.fontSize / 2.0);
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        if (run.colour)
            format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
        cursor.insertText(FromUtf8(run.text), format);
    }
    cursor.movePosition(QTextCursor::Start);
}

}  // namespace orvane::gui
