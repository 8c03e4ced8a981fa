#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "transport/comms_log.h"
#include "ui/message_box.h"

using namespace orvane::transport;
using namespace orvane::platform;
using orvane::testing::FakeClock;

namespace {
struct RecordingBoxes : orvane::ui::MessageBoxes {
    std::vector<orvane::ui::MessageRequest> shown;
    std::function<void()> whileShown;  // what the box's event loop runs meanwhile
    orvane::ui::MessageAnswer Show(const orvane::ui::MessageRequest& r) override {
        shown.push_back(r);
        if (whileShown) whileShown();
        return orvane::ui::MessageAnswer::Ok;
    }
};
}  // namespace

TEST(CommsLog, UnwritableFileSwitchesTheLogOffWithAMessage) {
    FakeClock clock;
    Diagnostics log(clock);
    RecordingBoxes boxes;
    // The box's event loop traces and asks about the log on this same thread.
    boxes.whileShown = [&] {
        EXPECT_FALSE(log.CommsLogEnabled());
        log.TraceLine("while the box is up\n");
    };
    SetCommsLogMessageBoxes(log, &boxes);
    std::string out;
    log.SetSink([&](std::string_view s) { out += s; });
    // A file that cannot be made, and one that became a FIFO after it was chosen.
    orvane::testing::TempFolder folder;
    const std::string fifo = folder / "comms.log";
    for (const std::string& path : {std::string("/proc/orvane-comms.log"), fifo}) {
        SCOPED_TRACE(path);
        boxes.shown.clear();
        out.clear();
        ASSERT_EQ(log.SetCommsLogFile(path), "");
        ASSERT_TRUE(path != fifo || ::mkfifo(fifo.c_str(), 0600) == 0);
        log.TraceLine("dropped\n");
        EXPECT_FALSE(log.CommsLogEnabled());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, kCommsLogOpenErrorText);
        EXPECT_EQ(boxes.shown[0].caption, kCommsLogOpenErrorCaption);
        EXPECT_EQ(out.find("dropped"), std::string::npos);  // the line that failed is dropped
        EXPECT_NE(out.find("while the box is up"), std::string::npos);
    }
}
