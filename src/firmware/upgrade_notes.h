#pragma once
// What the upgrade worker tells the "Upgrade Firmware" dialog: the status line,
// log lines, the progress bar and that it has finished. Every call is made on
// the worker thread; the implementation hands the note to its own UI thread and
// must not block on it. Texts are owned values that change hands with the call.

#include <string>

namespace orvane::firmware {

class UpgradeNotes {
  public:
    virtual ~UpgradeNotes() = default;
    virtual void NoteStatus(std::string text) = 0;
    virtual void NoteLog(std::string line) = 0;
    virtual void NoteProgress(int percent) = 0;  // 0..100
    // The last note: the worker ends straight after it.
    virtual void NoteFinished() = 0;
};

}  // namespace orvane::firmware
