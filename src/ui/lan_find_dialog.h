#pragma once
// The LAN Find Instrument dialog ("Please Choose Instrument") as the core drives
// it: a two-column list of the instruments a search found, OK and Cancel. The
// front end builds the widgets and runs the dialog modally; the core's logic
// fills the list and decides the result.

#include <string_view>

namespace orvane::ui {

class Button;
class WaitCursor;

class LanFindDialogView {
  public:
    virtual ~LanFindDialogView() = default;
    // Columns left to right, each left-aligned, its width a share (percent) of
    // the list's client width.
    virtual void AddColumn(std::string_view caption, int percentOfWidth) = 0;
    // Clicking anywhere in a row selects the whole row.
    virtual void SetFullRowSelect(bool on) = 0;
    // Adds a row at the end with its two column texts and a number the logic
    // reads back; returns the row's position.
    virtual int AddRow(std::string_view address, std::string_view text, int data) = 0;
    virtual int RowCount() const = 0;
    virtual int RowData(int row) const = 0;
    // The selected row, -1 when none (single selection).
    virtual int SelectedRow() const = 0;
    // Selects the row and gives it the focus. A front end may report this as
    // an item change; the logic does not rely on it either way.
    virtual void SelectRow(int row) = 0;
    virtual Button& OkButton() = 0;  // the default button
    virtual WaitCursor& Cursor() = 0;
    // Ends the dialog; the runner returns result.
    virtual void Close(int result) = 0;
};

class LanFindDialogEvents {
  public:
    virtual ~LanFindDialogEvents() = default;
    // Once, before the dialog is shown: columns, rows, preselection.
    virtual void OnStart(LanFindDialogView& view) = 0;
    // A row's selection is about to change (the user's doing or a preselection).
    virtual void OnItemChanging() = 0;
    // A double click in the list.
    virtual void OnDoubleClick() = 0;
    virtual void OnOk() = 0;
    // Cancel, Escape or the window's close button.
    virtual void OnCancel() = 0;
};

// Runs the dialog modally over the current window: creates the view, calls
// OnStart, shows it, routes the user's actions to events and returns the result
// passed to Close once the dialog has gone.
class LanFindDialogRunner {
  public:
    virtual ~LanFindDialogRunner() = default;
    virtual int RunLanFindDialog(LanFindDialogEvents& events) = 0;
};

}  // namespace orvane::ui
