#pragma once
// The program's pictures, from the resource file built into it.

#include <QIcon>

namespace orvane::gui {

QIcon AppIcon();
QIcon SearchIcon();

}  // namespace orvane::gui
