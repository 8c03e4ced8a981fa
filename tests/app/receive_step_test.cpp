#include "app/receive_step.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "platform/diagnostics.h"
#include "support/temp_folder.h"
#include "transport/tcp_link.h"
#include "ui/memory_controls.h"

using namespace orvane;
using app::ReceiveStep;

namespace {
const std::string kValue("\xC1\xA0\x80\x80", 4);  // 0.5 * 2^-63

// An instrument at the end of a socket pair whose bytes the test writes directly.
struct Wire {
    Wire() {
        int fds[2];
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
        record.interfaceKind = transport::InterfaceKind::Lan;
        record.link =
            std::make_unique<transport::TcpLink>(platform::UniqueFd(fds[0]), record.linkOptions);
        record.channelOpen = true;
        peer = platform::UniqueFd(fds[1]);
    }
    void Write(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(peer.get(), bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0);
            done += static_cast<std::size_t>(n);
        }
    }
    ReceiveStep::Result Run(bool convert = true) {
        return step.Run(record, pane, convert, [this](std::size_t n) { counted += n; });
    }

    transport::ConnectionRecord record;
    platform::UniqueFd peer;
    ReceiveStep step;
    ui::MemoryTextBox pane;
    std::size_t counted = 0;
};
}  // namespace

TEST(ReceiveStep, FramesLinesAndConvertsBinaryValues) {
    const std::string big(20479, 'x');
    struct Row {
        const char* name;
        std::string wire;
        bool convert;
        std::string shown;
    } rows[] = {
        {"the LF after a CR ends an empty line: nothing", "1.234\r\n", true, "1.234\r\n"},
        {"a zero byte ends a line", std::string("A\0B\n", 4), true, "A\r\nB\r\n"},
        {"a line as long as the buffer ends at once", big + "yz\n", true, big + "\r\nyz\r\n"},
        {"a binary value is shown as its text", kValue + "\n", true, "5.42101E-20\r\n"},
        {"unless conversion is off", kValue + "\n", false, kValue + "\r\n"},
        {"0x80 starts a value", "\x80\xA0\x80\x80\n", true, "5.00000E-1\r\n"},
        // After a longer line, so that what the buffer held before would show.
        {"a value cut by the line end reads its missing bytes as zero", "1.234\r\nx\xC1\xA0\n",
         true, "1.234\r\nx5.42101E-20\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Wire w;
        w.Write(row.wire);
        EXPECT_EQ(w.Run(row.convert), ReceiveStep::Result::Idle);
        EXPECT_EQ(w.pane.text, row.shown);
    }
    // A line of nothing but binary values grows past the buffer: cut, not overrun.
    Wire w;
    std::string many;
    while (many.size() < 20000) many += "\xC1\xA1\x81\x81";
    w.Write(many + "\n");
    w.Run(true);
    EXPECT_EQ(w.pane.text.size(), 20479u + 2u);
}

// One append per line, the counter told its length; a part line waits for its
// end, even a single byte, until the step is cleared.
TEST(ReceiveStep, PartLinesWaitAndClearForgetsThem) {
    Wire w;
    w.Write("1.234\r\n");
    w.Run();
    w.Write("x");
    w.Run();
    EXPECT_EQ(w.pane.appendCount, 1);
    EXPECT_EQ(w.counted, 5u);
    EXPECT_EQ(w.step.pending(), 1u);
    w.step.Clear();
    w.Write("y\n");
    w.Run();
    EXPECT_EQ(w.pane.text, "1.234\r\ny\r\n");
}

TEST(ReceiveStep, EachLineGoesToTheCommsLogAsReceived) {
    orvane::testing::TempFolder folder;
    platform::SystemClock clock;
    platform::Diagnostics diagnostics(clock);
    ASSERT_EQ(diagnostics.SetCommsLogFile(folder / "comms.log"), "");
    Wire w;
    w.record.linkOptions.diagnostics = &diagnostics;
    w.Write("1.234\r\n" + kValue + "\nparti");
    w.Run(true);
    const std::string log = folder.Read("comms.log");
    EXPECT_NE(log.find("] <<\t1.234\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] <<\t" + kValue + "\n"), std::string::npos) << "before decoding";
    EXPECT_EQ(log.find("<<\t\n"), std::string::npos) << "no entry for the LF after the CR";
    EXPECT_EQ(log.find("parti"), std::string::npos) << "not a line yet";
}

TEST(ReceiveStep, ClosedConnectionIsAReadFailureAfterShowingWhatCame) {
    Wire w;
    w.Write("last\npart");
    w.peer.reset();
    EXPECT_EQ(w.Run(), ReceiveStep::Result::ReadFailure);
    EXPECT_EQ(w.pane.text, "last\r\npart\r\n");
}

TEST(ReceiveStep, TakesAtMostItsShareEachCallAndLosesNothing) {
    Wire w;
    w.step = ReceiveStep(100);
    std::string sent;
    for (int i = 0; i < 50; ++i) sent += "line " + std::to_string(i) + "\n";
    w.Write(sent);
    int calls = 0;
    for (; w.pane.text.size() < sent.size() + 50 && calls < 100; ++calls)
        EXPECT_EQ(w.Run(), ReceiveStep::Result::Idle);
    EXPECT_GE(calls, static_cast<int>(sent.size() / 100));
    std::string shown = w.pane.text;
    std::erase(shown, '\r');
    EXPECT_EQ(shown, sent);
}
