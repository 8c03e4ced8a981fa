// The desktop program offscreen: how long until the main window shows, and
// whether it stays responsive under an unthrottled flood of reply lines from the
// simulated instrument (three floods of 10 million lines by default, or of the
// count given as the first argument; the medians are reported) without losing a
// line or holding on to them all.
//
// The instrument runs on this program's own pump thread; its counted flood,
// started by a typed command it does not know, comes as fast as the window
// reads it. A probe thread posts a queued call to the window every 10 ms and
// measures how long each waits to be served.

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
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
#include "sim/tcp_endpoint.h"
#include "ui/command_ids.h"

using namespace orvane;

namespace {

constexpr double kStartLimitMs = 300;
constexpr double kLatencyLimitMs = 50;
constexpr double kRssLimitMb = 300;
constexpr uint64_t kDefaultFloodLines = 10'000'000;
constexpr int kFloods = 3;
// A flood that has not ended by then is cut short and reported as such.
constexpr double kFloodTimeoutS = 600;

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

// Runs the instrument's service step on a thread of its own, on real time.
class FloodingInstrument {
  public:
    FloodingInstrument() : endpoint_({}, "127.0.0.1", 0) {
        thread_ = std::thread([this] { Run(); });
    }
    ~FloodingInstrument() {
        stop_ = true;
        thread_.join();
    }
    uint16_t Port() const { return endpoint_.Port(); }
    bool Ok() const { return endpoint_.Ok(); }

    // From now on a command the instrument does not know starts a flood of
    // `lines` lines, sent as fast as the window takes them.
    void ArmFlood(uint64_t lines) {
        std::lock_guard<std::mutex> lock(pumpMutex_);
        endpoint_.engine().config().floodCount = static_cast<uint32_t>(lines);
    }

  private:
    void Run() {
        const double start = bench::NowUs();
        while (!stop_) {
            bool moved = false;
            {
                std::lock_guard<std::mutex> lock(pumpMutex_);
                const uint64_t before = endpoint_.engine().counters().bytesSent;
                endpoint_.Pump(static_cast<uint32_t>((bench::NowUs() - start) / 1000));
                moved = endpoint_.engine().counters().bytesSent != before;
            }
            // The socket is full (or nothing is due): give the window the core.
            if (!moved) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    sim::TcpEndpoint endpoint_;
    std::mutex pumpMutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// Posts a queued call to the window every 10 ms and keeps how long each waited:
// on the clock, and in the window thread's own processor time, which is what the
// window made it wait when other programs share the processors.
class Probe {
  public:
    explicit Probe(QObject* target) : target_(target) {
        pthread_getcpuclockid(pthread_self(), &windowClock_);
        thread_ = std::thread([this] {
            while (!stop_) {
                const double sent = bench::NowUs();
                const double sentCpu = CpuUs(windowClock_);
                QMetaObject::invokeMethod(
                    target_,
                    [this, sent, sentCpu] {
                        Served(bench::NowUs() - sent, CpuUs(windowClock_) - sentCpu);
                    },
                    Qt::QueuedConnection);
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
    double WorstCpuMs() const { return worstCpuUs_ / 1000; }
    int Served() const { return served_; }
    // Calls that waited longer than the limit.
    int Late() const { return late_; }

  private:
    static double CpuUs(clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
    }
    void Served(double waitedUs, double cpuUs) {
        ++served_;
        worstUs_ = std::max(worstUs_, waitedUs);
        worstCpuUs_ = std::max(worstCpuUs_, cpuUs);
        if (waitedUs > kLatencyLimitMs * 1000) ++late_;
    }

    QObject* target_;
    clockid_t windowClock_{};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    double worstUs_ = 0;
    double worstCpuUs_ = 0;
    int late_ = 0;
    int served_ = 0;
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

// Counts the flood lines as they reach the pane, whether they run 1, 2, 3, ...
// without a gap: the pane itself keeps only the latest ones. It looks after
// every pass of the event loop; only the first and the last new line are read
// (reading them all would slow the window it measures): a line lost, doubled or
// moved puts the last one out of step with the count. New lines the pane has
// already dropped again could not be checked, and count as out of order.
class FloodCounter {
  public:
    explicit FloodCounter(const gui::ResultsLines& lines) : lines_(lines), seen_(lines.End() - 1) {}
    uint64_t Lines() const { return count_; }
    bool InOrder() const { return inOrder_; }

    void Look() {
        // Only lines with a line end after them count; the echo of the command
        // comes before the first.
        const uint64_t end = lines_.End() - 1;
        if (end == seen_) return;
        uint64_t first = std::max(seen_, lines_.First());
        if (first != seen_) inOrder_ = false;
        seen_ = end;
        while (first < end && !IsFlood(lines_.Text(first))) ++first;
        if (first == end) return;
        const uint64_t count = end - first;
        if (Number(lines_.Text(first)) != count_ + 1 ||
            Number(lines_.Text(end - 1)) != count_ + count)
            inOrder_ = false;
        count_ += count;
    }

  private:
    static bool IsFlood(const std::string& line) { return line.rfind("FLOOD ", 0) == 0; }
    static uint64_t Number(const std::string& line) {
        return std::strtoull(line.c_str() + 6, nullptr, 10);
    }

    const gui::ResultsLines& lines_;
    uint64_t seen_;
    uint64_t count_ = 0;
    bool inOrder_ = true;
};

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    const double processStart = bench::NowUs();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    FloodingInstrument instrument;
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

    // Three floods, each armed, then started by a typed command; the instrument
    // numbers their lines on from the last. The later ones meet a full pane.
    const uint64_t floodLines = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultFloodLines;
    FloodCounter counter(window.resultsPane()->lines());
    std::vector<double> worstMs, worstCpuMs;
    bool timedOut = false;
    for (int run = 1; run <= kFloods && !timedOut; ++run) {
        const uint64_t expectedLines = floodLines * static_cast<uint64_t>(run);
        const uint64_t before = counter.Lines();
        instrument.ArmFlood(expectedLines);
        Probe probe(&window);
        const double floodStart = bench::NowUs();
        window.commandLine()->setText(QStringLiteral("flood"));
        window.PostCommand(ui::kCmdSend);
        while (counter.Lines() < expectedLines) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            counter.Look();
            if (bench::NowUs() - floodStart > kFloodTimeoutS * 1e6) {
                timedOut = true;
                break;
            }
        }
        const double seconds = (bench::NowUs() - floodStart) / 1e6;
        probe.Stop();
        worstMs.push_back(probe.WorstMs());
        worstCpuMs.push_back(probe.WorstCpuMs());
        const gui::ResultsLines& lines = window.resultsPane()->lines();
        std::printf(
            "bench_gui: flood %d: %llu lines sent unthrottled, %llu reached the pane%s in %.1f s "
            "(%.0f lines/s)%s; it keeps %d lines, the last \"%s\"; %d probe calls, %d late, "
            "the worst waited %.1f ms (%.1f ms of the window's processor time)\n",
            run, static_cast<unsigned long long>(floodLines),
            static_cast<unsigned long long>(counter.Lines() - before),
            counter.InOrder() ? " in order" : " OUT OF ORDER", seconds,
            static_cast<double>(counter.Lines() - before) / seconds, timedOut ? " (CUT SHORT)" : "",
            static_cast<int>(lines.Count() - 1), lines.Text(lines.End() - 2).c_str(),
            probe.Served(), probe.Late(), probe.WorstMs(), probe.WorstCpuMs());
    }
    const uint64_t expectedLines = floodLines * kFloods;

    bool ok = true;
    ok &= bench::Report("start-up to a shown main window (offscreen)", shownSinceProcessStart, "ms",
                        kStartLimitMs, true);
    std::printf("%-52s %12.3f ms\n", "  of which from main() on", (shownAt - processStart) / 1000);
    std::printf("%-52s %12.3f ms\n", "  from main() to the Connect dialog",
                (dialogAt - processStart) / 1000);
    ok &= bench::Report("flood: worst wait of a queued call (median of 3)", bench::Median(worstMs),
                        "ms", kLatencyLimitMs, true);
    // On a machine other programs share, the clock also counts their turns.
    std::printf("%-52s %12.3f ms\n", "  the window's own processor time in it (median)",
                bench::Median(worstCpuMs));
    ok &= bench::Report("flood: peak RSS", PeakRssMb(), "MB", kRssLimitMb, true);
    ok &=
        bench::Report("flood: lines lost",
                      static_cast<double>(expectedLines - std::min(expectedLines, counter.Lines())),
                      "lines", 0, true);
    ok &= counter.InOrder() && !timedOut && counter.Lines() == expectedLines;
    window.close();
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
