#pragma once
// "Please Choose Instrument": the LAN search's findings in two columns (IP
// address 30 %, instrument 70 %), whole rows selected, OK and Cancel. The
// core's LanFindDialog fills it and decides what OK returns.

#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <vector>

#include "gui/interaction.h"
#include "gui/widget_controls.h"
#include "ui/lan_find_dialog.h"

namespace orvane::gui {

inline constexpr int kLanFindListId = 1007;
inline constexpr int kLanFindOkId = 1;
inline constexpr int kLanFindCancelId = 2;

class LanFindWindow final : public QDialog, public ui::LanFindDialogView {
  public:
    explicit LanFindWindow(QWidget* owner);
    void SetEvents(ui::LanFindDialogEvents* events) { events_ = events; }

    void AddColumn(std::string_view caption, int percentOfWidth) override;
    void SetFullRowSelect(bool on) override;
    int AddRow(std::string_view address, std::string_view text, int data) override;
    int RowCount() const override { return list_->topLevelItemCount(); }
    int RowData(int row) const override;
    int SelectedRow() const override;
    void SelectRow(int row) override;
    ui::Button& OkButton() override { return okBox_; }
    ui::WaitCursor& Cursor() override { return cursor_; }
    void Close(int result) override { done(result); }

    void reject() override;
    QTreeWidget* list() const { return list_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SizeColumns();

    QTreeWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
    PushButton okBox_;
    AppWaitCursor cursor_;
    std::vector<int> percents_;
    ui::LanFindDialogEvents* events_ = nullptr;
};

// Runs the dialog over whichever window is modal now (the Connect dialog).
class LanFindRunner final : public ui::LanFindDialogRunner {
  public:
    explicit LanFindRunner(QWidget* fallbackOwner) : fallbackOwner_(fallbackOwner) {}
    int RunLanFindDialog(ui::LanFindDialogEvents& events) override;

  private:
    QWidget* fallbackOwner_;
};

}  // namespace orvane::gui
