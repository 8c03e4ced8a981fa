#include "firmware/upgrade_dialog.h"

#include <gtest/gtest.h>

#include "firmware/files_list_dialog.h"
#include "firmware/firmware_texts.h"
#include "support/fake_upgrade_dialogs.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeView;
using testing::SimBench;

struct Plan {
    testing::TempFolder dir;
    LoadSlot slot{};
    UpgradeContext context{};
    Plan() {
        dir.Write("main.hex", testing::HexFile(8));
        slot[0] = testing::Entry(dir, "main.hex", 2);
        context.entries = slot.data();
    }
};

TEST(UpgradeDialog, NoThreadLeavesStartEnabledAndNothingSent) {
    Plan plan;
    SimBench bench;
    ASSERT_TRUE(bench.Open());
    uint64_t received = bench.engine().counters().bytesReceived;
    UpgradeDialog dialog(plan.context, bench.record,
                         [&](std::thread&, std::function<void()>) { return false; });
    FakeUpgradeView view;
    EXPECT_EQ(view.Run(dialog), ui::kDialogResultCancel);
    EXPECT_EQ(view.boxes.Texts(), std::vector<std::string>{kThreadStartFailedText});
    EXPECT_TRUE(view.start.enabled);
    EXPECT_EQ(bench.engine().counters().bytesReceived, received);
    EXPECT_EQ(bench.engine().counters().connections, 1u) << "no re-open without an upgrade";
}

TEST(UpgradeDialog, AFailedUpgradeKeepsTheConnectionAndTheInstrumentInItsBootloader) {
    Plan plan;
    SimBench bench(testing::Instrument("refuse-init=2"));
    ASSERT_TRUE(bench.Open());
    UpgradeDialog dialog(plan.context, bench.record);
    FakeUpgradeView view;
    EXPECT_EQ(view.Run(dialog), ui::kDialogResultCancel);
    EXPECT_FALSE(plan.context.succeeded);
    EXPECT_EQ(view.log, std::vector<std::string>{kInitFailedLog});
    EXPECT_EQ(bench.events(), (std::vector<std::string>{"enter", "init refused", "init refused"}));
    EXPECT_FALSE(bench.ToldToRestart());
    EXPECT_EQ(view.cancel.caption, kFinishedCaption);
    EXPECT_EQ(bench.engine().counters().connections, 1u);
}

TEST(FilesListDialog, AcceptOnlyForASoundPlan) {
    struct Row {
        int pressed;
        bool planError;
        int result;
    } const rows[] = {
        {ui::kFilesListAcceptId, false, ui::kFilesListAcceptId},
        // A front end that lets Accept through anyway still cannot start the upgrade.
        {ui::kFilesListAcceptId, true, ui::kFilesListCancelId},
        {ui::kFilesListCancelId, false, ui::kFilesListCancelId},
        {0, false, ui::kFilesListCancelId},  // closed
        {-1, false, ui::kFilesListCancelId},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pressed);
        orvane::testing::FakeUpgradeDialogs dialogs;
        dialogs.filesListAnswer = row.pressed;
        EXPECT_EQ(RunFilesListDialog(*dialogs.MakeFilesListWindow(), row.planError, "{\\rtf1 x}"),
                  row.result);
        ASSERT_EQ(dialogs.filesLists.size(), 1u);
        EXPECT_EQ(dialogs.filesLists[0].acceptEnabled, !row.planError);
    }
}

}  // namespace
}  // namespace orvane::firmware
