#pragma once
// Commands queued to the main window.

#include <cstdint>

namespace orvane::ui {

// Commands are handled in order after the current one, never inside the call.
class CommandPoster {
  public:
    virtual ~CommandPoster() = default;
    virtual void PostCommand(int id, intptr_t param = 0) = 0;
};

}  // namespace orvane::ui
