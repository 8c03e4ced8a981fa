// The receive step moving a flood of reply lines from TCP loopback into an
// in-memory results pane, against a plain read() loop over the same link:
// at least 10 MB/s and at least a quarter of the raw rate.

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

// A results pane that keeps the text, as the real one does.
class Pane : public ui::TextBox {
  public:
    void SetEnabled(bool) override {}
    bool Enabled() const override { return true; }
    void SetVisible(bool) override {}
    bool Visible() const override { return true; }
    void SetFocus() override {}
    void SetGeometry(const ui::Rect&) override {}
    std::string Text() const override { return text; }
    void SetText(std::string_view t) override { text = t; }
    void AppendText(std::string_view t) override {
        text += t;
        ++lines;
    }
    ui::TextSelection Selection() const override { return {}; }
    void SelectAll() override {}
    std::string CaretLine() const override { return {}; }
    std::string text;
    std::size_t lines = 0;
};

}  // namespace

int main() {
    const std::string data = bench::ReplyLines(64u << 20);
    double raw = bench::RawReadRate(data);

    bench::Blaster source(data);
    transport::ConnectionRecord r;
    bench::ConnectLanRecord(r, source.port());
    Pane pane;
    pane.text.reserve(data.size());
    app::ReceiveStep step;
    std::size_t received = 0;
    platform::SystemClock clock;
    double t0 = bench::NowUs();
    // Like the timer: a step, then a wait for more input.
    while (step.Run(r, pane, true, [&](std::size_t n) { received += n + 2; }) ==
           app::ReceiveStep::Result::Idle) {
        if (received >= data.size()) break;
        clock.WaitReadable(transport::ChannelDescriptor(r), 1000);
    }
    double t1 = bench::NowUs();
    transport::CloseChannel(r);
    double rate = static_cast<double>(received) / (t1 - t0);
    std::printf("%-52s %12.1f MB/s\n", "plain read() loop", raw);
    std::printf("%-52s %12.1f MB/s  %.0f lines/s\n", "receive step into the results pane", rate,
                static_cast<double>(pane.lines) / ((t1 - t0) / 1e6));
    bool ok = bench::Report("receive step rate", rate, "MB/s", 10.0, false);
    ok &= bench::Report("receive step / read() throughput", rate / raw, "x", 0.25, false);
    ok &= bench::Report("every line arrived", received == data.size() ? 1.0 : 0.0, "", 1.0, false);
    return ok ? 0 : 1;
}
