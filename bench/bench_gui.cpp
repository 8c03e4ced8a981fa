// The desktop program offscreen: how long until the main window shows, and
// whether it stays responsive under a flood of reply lines from the simulated
// instrument (1 MB/s for 10 s) without losing a line.
//
// The instrument runs on this program's own pump thread, which paces its flood
// by the time it hands the engine; a probe thread posts a queued call to the
// window every 10 ms and measures how long each waits to be served.

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "gui/connect_dialog_window.h"
#include "gui/interaction.h"
#include "gui/main_window.h"
#include "sim/engine.h"
#include "sim/tcp_endpoint.h"
#include "ui/command_ids.h"

using namespace orvane;

namespace {

constexpr double kStartLimitMs = 300;
constexpr double kLatencyLimitMs = 50;
constexpr double kFloodBytesPerSecond = 1e6;
constexpr int kFloodSeconds = 10;
// Every flood line is "FLOOD nnnnnnnnnn\r\n".
constexpr std::size_t kFloodLineBytes = 18;

class QuietBoxes {
  public:
    QuietBoxes() {
        gui::SetMessageBoxPolicy([](const ui::MessageRequest& r, QMessageBox&) {
            std::fprintf(stderr, "bench_gui: message box \"%s\": %s\n", r.caption.c_str(),
                         r.text.c_str());
            return r.buttons == ui::MessageButtons::YesNo ? ui::MessageAnswer::No
                                                          : ui::MessageAnswer::Ok;
        });
    }
    ~QuietBoxes() { gui::SetMessageBoxPolicy({}); }
};

// Runs the instrument's service step on a thread of its own, with the engine's
// time advancing so that its flood (one burst per engine millisecond) comes at
// the wanted rate once switched on.
class PacedInstrument {
  public:
    PacedInstrument() : endpoint_({}, "127.0.0.1", 0) {
        thread_ = std::thread([this] { Run(); });
    }
    ~PacedInstrument() {
        stop_ = true;
        thread_.join();
    }
    uint16_t Port() const { return endpoint_.Port(); }
    bool Ok() const { return endpoint_.Ok(); }

    // From now on the engine floods once spoken to; returns the bytes sent so far.
    uint64_t ArmFlood() {
        std::lock_guard<std::mutex> lock(pumpMutex_);
        endpoint_.engine().config().flood = true;
        floodFrom_ = bench::NowUs();
        floodBase_ = engineMs_;
        return endpoint_.engine().counters().bytesSent;
    }
    // Keeps serving what is queued, but adds no more flood.
    void Freeze() { frozen_ = true; }
    uint64_t BytesSent() {
        std::lock_guard<std::mutex> lock(pumpMutex_);
        return endpoint_.engine().counters().bytesSent;
    }

  private:
    void Run() {
        const double start = bench::NowUs();
        while (!stop_) {
            {
                std::lock_guard<std::mutex> lock(pumpMutex_);
                const double now = bench::NowUs();
                if (floodFrom_ == 0) {
                    engineMs_ = static_cast<uint32_t>((now - start) / 1000);
                } else if (!frozen_) {
                    const double bursts = (now - floodFrom_) / 1e6 * kFloodBytesPerSecond /
                                          static_cast<double>(sim::Engine::kFloodBurst);
                    engineMs_ = floodBase_ + static_cast<uint32_t>(bursts);
                }
                endpoint_.Pump(engineMs_);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    sim::TcpEndpoint endpoint_;
    std::mutex pumpMutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> frozen_{false};
    double floodFrom_ = 0;
    uint32_t floodBase_ = 0;
    uint32_t engineMs_ = 0;
};

// Posts a queued call to the window every 10 ms and keeps how long each waited.
class Probe {
  public:
    explicit Probe(QObject* target) : target_(target) {
        thread_ = std::thread([this] {
            while (!stop_) {
                const double sent = bench::NowUs();
                QMetaObject::invokeMethod(
                    target_, [this, sent] { Served(bench::NowUs() - sent); }, Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~Probe() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Only on the window's thread, once stopped.
    double WorstMs() const { return worstUs_ / 1000; }
    double WorstOfLastSecondMs() const { return worstLastUs_ / 1000; }
    int Served() const { return served_; }
    void StartLastSecond() { lastSecond_ = true; }

  private:
    void Served(double waitedUs) {
        ++served_;
        worstUs_ = std::max(worstUs_, waitedUs);
        if (lastSecond_) worstLastUs_ = std::max(worstLastUs_, waitedUs);
    }

    QObject* target_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    double worstUs_ = 0;
    double worstLastUs_ = 0;
    int served_ = 0;
    bool lastSecond_ = false;
};

// Milliseconds since the kernel started this process (10 ms steps): the
// loading of the program and its libraries counts too.
double SinceProcessStartMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t end = text.rfind(')');
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i != 22) continue;
        double ticks = std::stod(field);
        std::ifstream uptime("/proc/uptime");
        double up = 0;
        uptime >> up;
        return (up - ticks / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1000;
    }
    return 0;
}

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The flood lines in the pane: how many, and whether they run 1, 2, 3, ... without a gap.
struct FloodCount {
    uint64_t lines = 0;
    bool inOrder = true;
};

FloodCount CountFlood(QPlainTextEdit& pane) {
    FloodCount c;
    for (QTextBlock b = pane.document()->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        if (!text.startsWith(QLatin1String("FLOOD "))) continue;
        ++c.lines;
        if (text.mid(6).toULongLong() != c.lines) c.inOrder = false;
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    const double processStart = bench::NowUs();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    PacedInstrument instrument;
    if (!instrument.Ok()) {
        std::fprintf(stderr, "bench_gui: the simulated instrument could not listen\n");
        return 1;
    }
    QuietBoxes boxes;
    char tmpl[] = "/tmp/orvane2-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);

    // Start-up: the application, the window, until its first paint.
    double shownAt = 0, dialogAt = 0, shownSinceProcessStart = 0;
    QApplication app(argc, argv);
    gui::SetModalDialogPolicy([&](QDialog& dialog) {
        dialogAt = bench::NowUs();
        // A person sees the window come up behind the dialog before clicking.
        QElapsedTimer t;
        t.start();
        while (shownAt == 0 && t.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        dialog.findChild<QPushButton*>(QString::number(gui::kConnectButtonId))->click();
    });
    gui::MainWindowOptions options;
    options.settingsFile = dir + "/Orvaner.ini";
    options.presetConnection = [&instrument](transport::ConnectionRecord& r) {
        r.interfaceKind = transport::InterfaceKind::Lan;
        r.ipAddress = "127.0.0.1";
        r.linkOptions.tcpPort = instrument.Port();
    };
    gui::MainWindow window(options);
    struct FirstPaint : QObject {
        double* at;
        double* sinceStart;
        FirstPaint(double* a, double* s) : at(a), sinceStart(s) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && *at == 0) {
                *at = bench::NowUs();
                *sinceStart = SinceProcessStartMs();
            }
            return false;
        }
    } firstPaint(&shownAt, &shownSinceProcessStart);
    window.installEventFilter(&firstPaint);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while ((shownAt == 0 || !window.shell().record().instrumentReady) && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    gui::SetModalDialogPolicy({});
    if (!window.shell().record().instrumentReady) {
        std::fprintf(stderr, "bench_gui: could not connect to the simulated instrument\n");
        return 1;
    }
    Wait(200);

    // The flood: armed, then started by a typed command.
    const uint64_t before = instrument.ArmFlood();
    Probe probe(&window);
    const double floodStart = bench::NowUs();
    window.commandLine()->setText(QStringLiteral("*IDN?"));
    window.PostCommand(ui::kCmdSend);
    while (bench::NowUs() - floodStart < kFloodSeconds * 1e6) {
        if (bench::NowUs() - floodStart > (kFloodSeconds - 1) * 1e6) probe.StartLastSecond();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    instrument.Freeze();
    const double floodEnd = bench::NowUs();
    probe.Stop();
    Wait(1500);  // what is still on its way
    window.FlushResults();

    const uint64_t sent = instrument.BytesSent() - before;
    const std::string identity = sim::IdentityText({}) + "\r\n";
    const uint64_t floodBytes = sent - identity.size();
    const uint64_t expectedLines = floodBytes / kFloodLineBytes;
    FloodCount shown = CountFlood(*window.resultsPane());
    const double rate = static_cast<double>(floodBytes) / ((floodEnd - floodStart) / 1e6) / 1e6;

    std::printf(
        "bench_gui: %llu flood lines sent (%.2f MB/s for %d s), %llu shown%s; %d probe calls\n",
        static_cast<unsigned long long>(expectedLines), rate, kFloodSeconds,
        static_cast<unsigned long long>(shown.lines), shown.inOrder ? " in order" : " OUT OF ORDER",
        probe.Served());
    bool ok = true;
    ok &= bench::Report("start-up to a shown main window (offscreen)", shownSinceProcessStart, "ms",
                        kStartLimitMs, true);
    std::printf("%-52s %12.3f ms\n", "  of which from main() on", (shownAt - processStart) / 1000);
    std::printf("%-52s %12.3f ms\n", "  from main() to the Connect dialog",
                (dialogAt - processStart) / 1000);
    ok &= bench::Report("flood: worst wait of a queued call", probe.WorstMs(), "ms",
                        kLatencyLimitMs, true);
    ok &= bench::Report("flood: worst wait in the last second", probe.WorstOfLastSecondMs(), "ms",
                        kLatencyLimitMs, true);
    ok &= bench::Report("flood: rate of reply lines", rate, "MB/s",
                        kFloodBytesPerSecond / 1e6 * 0.95, false);
    ok &= bench::Report("flood: lines lost",
                        static_cast<double>(expectedLines - std::min(expectedLines, shown.lines)),
                        "lines", 0, true);
    ok &= shown.inOrder && shown.lines == expectedLines;
    window.close();
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
