#include "firmware/files_list_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "firmware/firmware_texts.h"

namespace orvane::firmware {
namespace {

class ScriptedWindow : public ui::FilesListWindow {
  public:
    explicit ScriptedWindow(int answer) : answer_(answer) {}
    void SetTitle(const std::string& t) override { title = t; }
    void SetRichText(const std::string& rtf) override { text = rtf; }
    void EnableAccept(bool enabled) override { acceptEnabled = enabled; }
    int RunModal() override {
        ++runs;
        return answer_;
    }

    std::string title;
    std::string text;
    bool acceptEnabled = true;
    int runs = 0;

  private:
    int answer_;
};

TEST(FilesListDialog, AcceptOnlyForASoundPlan) {
    const std::string rtf = "{\\rtf1 plan}";
    ScriptedWindow accepted(ui::kFilesListAcceptId);
    EXPECT_EQ(RunFilesListDialog(accepted, false, rtf), ui::kFilesListAcceptId);
    EXPECT_EQ(accepted.title, kFilesListTitle);
    EXPECT_EQ(accepted.text, rtf);
    EXPECT_TRUE(accepted.acceptEnabled);
    EXPECT_EQ(accepted.runs, 1);

    ScriptedWindow blocked(ui::kFilesListAcceptId);
    EXPECT_EQ(RunFilesListDialog(blocked, true, rtf), ui::kFilesListCancelId);
    EXPECT_FALSE(blocked.acceptEnabled);

    for (int closed : {ui::kFilesListCancelId, 0, -1, 1}) {
        ScriptedWindow window(closed);
        EXPECT_EQ(RunFilesListDialog(window, false, rtf), ui::kFilesListCancelId);
    }
}

}  // namespace
}  // namespace orvane::firmware
