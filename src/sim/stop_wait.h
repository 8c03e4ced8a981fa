#pragma once
// What ends the simulator: Ctrl-C or a request to terminate. Made first thing
// in main, before any service thread, so that the request reaches Wait alone.

namespace orvane::sim {

class StopWait {
  public:
    StopWait();
    StopWait(const StopWait&) = delete;
    StopWait& operator=(const StopWait&) = delete;

    // Returns once a stop was asked for.
    void Wait();
};

}  // namespace orvane::sim
