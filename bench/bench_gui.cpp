// The desktop program offscreen: how long until the main window shows, and
// whether it stays responsive under an unthrottled flood of reply lines from the
// simulated instrument (10 million by default, or the count given as the first
// argument) without losing a line or holding on to them all.
//
// The instrument runs on this program's own pump thread; its counted flood,
// started by a typed command it does not know, comes as fast as the window
// reads it. A probe thread posts a queued call to the window every 10 ms and
// measures how long each waits to be served.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
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
    int Served() const { return served_; }
    // Calls that waited longer than the limit.
    int Late() const { return late_; }

  private:
    void Served(double waitedUs) {
        ++served_;
        worstUs_ = std::max(worstUs_, waitedUs);
        if (waitedUs > kLatencyLimitMs * 1000) ++late_;
    }

    QObject* target_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    double worstUs_ = 0;
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

// Counts the flood lines as they reach the pane's document, whether they
// run 1, 2, 3, ... without a gap: the pane itself keeps only the latest ones.
class FloodCounter {
  public:
    explicit FloodCounter(QTextDocument* doc) : doc_(doc) {
        QObject::connect(doc, &QTextDocument::contentsChange, doc,
                         [this](int from, int, int added) { Added(from, added); });
    }
    uint64_t Lines() const { return lines_; }
    bool InOrder() const { return inOrder_; }

  private:
    void Added(int from, int added) {
        if (added == 0) return;  // the oldest lines going
        // Text is only ever added at the end, in the last line, which has not been
        // counted: only lines with a line end after them count.
        for (QTextBlock b = doc_->findBlock(from); b.isValid() && b.next().isValid();
             b = b.next()) {
            const QString text = b.text();
            if (!text.startsWith(QLatin1String("FLOOD "))) continue;
            ++lines_;
            if (text.mid(6).toULongLong() != lines_) inOrder_ = false;
        }
    }

    QTextDocument* doc_;
    uint64_t lines_ = 0;
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

    // The flood: armed, then started by a typed command.
    const uint64_t floodLines = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultFloodLines;
    FloodCounter counter(window.resultsPane()->document());
    instrument.ArmFlood(floodLines);
    Probe probe(&window);
    const double floodStart = bench::NowUs();
    window.commandLine()->setText(QStringLiteral("flood"));
    window.PostCommand(ui::kCmdSend);
    const uint64_t expectedLines = floodLines;
    bool timedOut = false;
    while (counter.Lines() < expectedLines) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (bench::NowUs() - floodStart > kFloodTimeoutS * 1e6) {
            timedOut = true;
            break;
        }
    }
    const double floodEnd = bench::NowUs();
    probe.Stop();
    window.FlushResults();
    const double seconds = (floodEnd - floodStart) / 1e6;
    const QTextBlock last = window.resultsPane()->document()->lastBlock().previous();

    std::printf(
        "bench_gui: %llu flood lines sent unthrottled, %llu reached the pane%s in %.1f s "
        "(%.0f lines/s)%s; it keeps %d lines, the last \"%s\"; %d probe calls, %d late\n",
        static_cast<unsigned long long>(expectedLines),
        static_cast<unsigned long long>(counter.Lines()),
        counter.InOrder() ? " in order" : " OUT OF ORDER", seconds,
        static_cast<double>(counter.Lines()) / seconds, timedOut ? " (CUT SHORT)" : "",
        window.resultsPane()->document()->blockCount(), last.text().toLatin1().constData(),
        probe.Served(), probe.Late());
    bool ok = true;
    ok &= bench::Report("start-up to a shown main window (offscreen)", shownSinceProcessStart, "ms",
                        kStartLimitMs, true);
    std::printf("%-52s %12.3f ms\n", "  of which from main() on", (shownAt - processStart) / 1000);
    std::printf("%-52s %12.3f ms\n", "  from main() to the Connect dialog",
                (dialogAt - processStart) / 1000);
    ok &= bench::Report("flood: worst wait of a queued call", probe.WorstMs(), "ms",
                        kLatencyLimitMs, true);
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
