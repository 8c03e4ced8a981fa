#include "firmware/upgrade_dialog.h"

#include <gtest/gtest.h>

#include "firmware/files_list_dialog.h"
#include "firmware/firmware_texts.h"
#include "support/fake_upgrade_dialogs.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::FakeUpgradeView;
using testing::Entry;
using testing::HexFile;
using testing::SimBench;
using testing::TempFolder;

struct Plan {
    TempFolder dir;
    LoadSlot slot{};
    UpgradeContext context{};
    Plan() {
        dir.Write("main.hex", HexFile(8));
        slot[0] = Entry(dir, "main.hex", 2);
        context.entries = slot.data();
    }
};

TEST(UpgradeDialog, NoThreadLeavesStartEnabledAndNothingSent) {
    Plan plan;
    SimBench bench;
    ASSERT_TRUE(bench.Open());
    uint64_t received = bench.engine().counters().bytesReceived;
    int starts = 0;
    UpgradeDialog dialog(plan.context, bench.record, [&](std::thread&, std::function<void()>) {
        ++starts;
        return false;
    });
    FakeUpgradeView view;
    EXPECT_EQ(view.Run(dialog), ui::kDialogResultCancel);
    EXPECT_EQ(starts, 1);
    ASSERT_EQ(view.boxes.shown.size(), 1u);
    EXPECT_EQ(view.boxes.shown[0].text, kThreadStartFailedText);
    EXPECT_EQ(view.boxes.shown[0].caption, kUpgradeFirmwareTitle);
    EXPECT_TRUE(view.start.enabled);
    EXPECT_EQ(view.cancel.caption, kCancelCaption);
    EXPECT_EQ(bench.engine().counters().bytesReceived, received);
    EXPECT_EQ(bench.engine().counters().connections, 1u) << "no re-open without an upgrade";
}

TEST(UpgradeDialog, AFailedUpgradeKeepsTheConnection) {
    Plan plan;
    sim::BootloaderConfig boot;
    boot.refuseInit = 2;
    SimBench bench(testing::Instrument(boot));
    ASSERT_TRUE(bench.Open());
    UpgradeDialog dialog(plan.context, bench.record);
    FakeUpgradeView view;
    EXPECT_EQ(view.Run(dialog), ui::kDialogResultCancel);
    EXPECT_FALSE(plan.context.succeeded);
    EXPECT_EQ(view.log, std::vector<std::string>{kInitFailedLog});
    EXPECT_EQ(view.cancel.caption, kFinishedCaption);
    EXPECT_EQ(bench.engine().counters().connections, 1u);
}

TEST(FilesListDialog, AcceptOnlyForASoundPlan) {
    struct Row {
        const char* name;
        int pressed;
        bool planError;
        int result;
    } const rows[] = {
        {"accepted", ui::kFilesListAcceptId, false, ui::kFilesListAcceptId},
        // A front end that lets Accept through anyway still cannot start the upgrade.
        {"accepted despite a plan error", ui::kFilesListAcceptId, true, ui::kFilesListCancelId},
        {"cancelled", ui::kFilesListCancelId, false, ui::kFilesListCancelId},
        {"closed", 0, false, ui::kFilesListCancelId},
        {"failed", -1, false, ui::kFilesListCancelId},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeUpgradeDialogs dialogs;
        dialogs.filesListAnswer = row.pressed;
        EXPECT_EQ(
            RunFilesListDialog(*dialogs.MakeFilesListWindow(), row.planError, "{\\rtf1 plan}"),
            row.result);
        ASSERT_EQ(dialogs.filesLists.size(), 1u);
        EXPECT_EQ(dialogs.filesLists[0].title, kFilesListTitle);
        EXPECT_EQ(dialogs.filesLists[0].rtf, "{\\rtf1 plan}");
        EXPECT_EQ(dialogs.filesLists[0].acceptEnabled, !row.planError);
    }
}

}  // namespace
}  // namespace orvane::firmware
