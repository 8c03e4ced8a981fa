#pragma once
// The face for text whose columns must line up: the results pane and the
// upgrade preview.

#include <QFont>

namespace orvane::gui {

// The desktop's fixed-width font when it really is fixed pitch, otherwise the
// first installed face that is.
QFont FixedPitchFont();

}  // namespace orvane::gui
