#include "gui/display_check.h"

namespace orvane::gui {

// Every Windows session has a desktop to open the window on, even one nobody
// looks at (a service's): Qt starts there without aborting.
std::optional<std::string> DisplayProblem() {
    return std::nullopt;
}

}  // namespace orvane::gui
