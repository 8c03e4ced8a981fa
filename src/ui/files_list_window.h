#pragma once
// The "Firmware Files List" dialog as the core asks for it: a read-only rich
// text box, Cancel (the default button) and Accept. The desktop program shows
// the RTF through the core's RTF reader in a real dialog; the command-line
// front end prints it and asks on the terminal; tests answer from a script.

#include <string>

namespace orvane::ui {

inline constexpr int kFilesListCancelId = 2;
inline constexpr int kFilesListAcceptId = 1000;
inline constexpr int kFilesListTextId = 1001;

// Layout in dialog units, with an 8-point sans-serif font.
struct FilesListLayout {
    static constexpr int kWidth = 268, kHeight = 154;
    static constexpr int kCancelX = 159, kCancelY = 138;
    static constexpr int kAcceptX = 212, kAcceptY = 138;
    static constexpr int kButtonWidth = 50, kButtonHeight = 14;
    static constexpr int kTextX = 6, kTextY = 7, kTextWidth = 256, kTextHeight = 129;
};

class FilesListWindow {
  public:
    virtual ~FilesListWindow() = default;
    virtual void SetTitle(const std::string& title) = 0;
    // The text box takes the text as RTF.
    virtual void SetRichText(const std::string& rtf) = 0;
    virtual void EnableAccept(bool enabled) = 0;
    // Shows the dialog modally until a button ends it. Result: the identifier
    // of the button pressed; closing the window counts as Cancel.
    virtual int RunModal() = 0;
};

}  // namespace orvane::ui
