#pragma once
// Styled runs from the RTF reader into a Qt text document.

#include <QTextDocument>
#include <string_view>

namespace orvane::gui {

// Replaces the document's content with the RTF text as the reader sees it.
void SetRtf(QTextDocument& document, std::string_view rtf);

}  // namespace orvane::gui
