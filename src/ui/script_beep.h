#pragma once
// The system beep a script asks for with its "beep" directive. The desktop
// program rings the application's bell, the command-line front end writes BEL.

namespace orvane::ui {

class Beeper {
  public:
    virtual ~Beeper() = default;
    virtual void Beep() = 0;
};

}  // namespace orvane::ui
