#include "firmware/files_list_dialog.h"

#include <gtest/gtest.h>

#include "firmware/firmware_texts.h"

namespace orvane::firmware {
namespace {

struct ScriptedWindow : ui::FilesListWindow {
    explicit ScriptedWindow(int pressed) : pressed(pressed) {}
    void SetTitle(const std::string& t) override { title = t; }
    void SetRichText(const std::string& rtf) override { text = rtf; }
    void EnableAccept(bool enabled) override { acceptEnabled = enabled; }
    int RunModal() override { return pressed; }

    int pressed;
    std::string title, text;
    bool acceptEnabled = true;
};

TEST(FilesListDialog, AcceptOnlyForASoundPlan) {
    ScriptedWindow accepted(ui::kFilesListAcceptId);
    EXPECT_EQ(RunFilesListDialog(accepted, false, "{\\rtf1 plan}"), ui::kFilesListAcceptId);
    EXPECT_EQ(accepted.title, kFilesListTitle);
    EXPECT_EQ(accepted.text, "{\\rtf1 plan}");
    EXPECT_TRUE(accepted.acceptEnabled);

    // A front end that lets Accept through anyway still cannot start the upgrade.
    ScriptedWindow blocked(ui::kFilesListAcceptId);
    EXPECT_EQ(RunFilesListDialog(blocked, true, "{\\rtf1 plan}"), ui::kFilesListCancelId);
    EXPECT_FALSE(blocked.acceptEnabled);

    for (int closed : {ui::kFilesListCancelId, 0, -1}) {
        ScriptedWindow window(closed);
        EXPECT_EQ(RunFilesListDialog(window, false, "{\\rtf1 plan}"), ui::kFilesListCancelId);
    }
}

}  // namespace
}  // namespace orvane::firmware
