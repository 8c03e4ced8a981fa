#include "cli/terminal_upgrade.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "cli/visible_text.h"
#include "firmware/firmware_texts.h"
#include "firmware/rtf_reader.h"

namespace orvane::cli {
namespace {

// The file list: printed, then Accept asked for as a question would be.
class TerminalFilesList final : public ui::FilesListWindow {
  public:
    TerminalFilesList(StandardOutput& out, TerminalMessageBoxes& boxes, Colors colors)
        : out_(out), boxes_(boxes), colors_(colors) {}
    void SetTitle(const std::string& title) override { title_ = title; }
    void SetRichText(const std::string& rtf) override { rtf_ = rtf; }
    void EnableAccept(bool enabled) override { accept_ = enabled; }
    int RunModal() override {
        out_.Write(colors_.Bold() + MadeVisible(title_) + colors_.Reset() + '\n' +
                   RtfAsTerminalText(rtf_, colors_));
        if (!accept_) {
            std::fprintf(stderr, "%s: the files above cannot be used; nothing was erased.\n",
                         MadeVisible(title_).c_str());
            return ui::kFilesListCancelId;
        }
        ui::MessageAnswer a = boxes_.Show({"Accept these files and upgrade the instrument?", title_,
                                           ui::MessageIcon::Question, ui::MessageButtons::YesNo});
        return a == ui::MessageAnswer::Yes ? ui::kFilesListAcceptId : ui::kFilesListCancelId;
    }

  private:
    StandardOutput& out_;
    TerminalMessageBoxes& boxes_;
    Colors colors_;
    std::string title_, rtf_;
    bool accept_ = true;
};

class TerminalUpgradeView final : public ui::UpgradeDialogView {
  public:
    TerminalUpgradeView(StandardOutput& out, TerminalMessageBoxes& boxes, Colors colors)
        : out_(out),
          boxes_(boxes),
          colors_(colors),
          tty_(IsTerminal(stdout)),
          start_(std::chrono::steady_clock::now()) {}

    void SetTitle(const std::string& title) override {
        out_.Write(colors_.Bold() + MadeVisible(title) + colors_.Reset() + '\n');
    }
    void SetStatus(std::string_view text) override {
        status_ = text;
        if (tty_) {
            DrawBar();
        } else {
            out_.Write(MadeVisible(text) + '\n');
        }
    }
    void SetProgress(int percent) override {
        percent_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        if (tty_) {
            DrawBar();
        } else if (percent_ / 10 > lastTenth_) {
            lastTenth_ = percent_ / 10;
            out_.Write(BarText() + '\n');
        }
    }
    void AppendLog(std::string_view line) override {
        out_.Write((tty_ ? "\r\x1b[K" : "") + MadeVisible(line) + '\n');
        if (tty_) DrawBar();
    }
    ui::Button& StartButton() override { return start_button_; }
    ui::Button& CancelButton() override { return cancel_; }
    ui::MessageBoxes& Boxes() override { return boxes_; }
    void Post(std::function<void()> call) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) return;
            queue_.push_back(std::move(call));
        }
        wake_.notify_one();
    }
    void Close(int result) override {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        result_ = result;
        queue_.clear();
    }

    // Runs what was posted, in order, until the dialog closes; the finished
    // dialog closes itself, as a user pressing "Finished" would.
    int Loop(ui::UpgradeDialogEvents& events) {
        for (;;) {
            std::deque<std::function<void()>> calls;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait_for(lock, std::chrono::milliseconds(100),
                               [&] { return closed_ || !queue_.empty(); });
                if (closed_) break;
                calls.swap(queue_);
            }
            for (auto& call : calls) {
                call();
                std::lock_guard<std::mutex> lock(mutex_);
                if (closed_) break;
            }
            bool closed;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                closed = closed_;
            }
            if (closed) break;
            if (cancel_.Enabled() && cancel_.Caption() == firmware::kFinishedCaption)
                events.OnCancel();
        }
        if (tty_) out_.Write("\n");
        return result_;
    }

  private:
    std::string BarText() const {
        constexpr int kWidth = 30;
        int filled = percent_ * kWidth / 100;
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                          std::string(static_cast<std::size_t>(kWidth - filled), ' ') + "] ";
        char tail[96];
        if (percent_ > 0 && percent_ < 100) {
            double left = elapsed * (100 - percent_) / percent_;
            std::snprintf(tail, sizeof tail, "%3d%%  %.1f %%/s  %d:%02d left", percent_,
                          percent_ / elapsed, static_cast<int>(left) / 60,
                          static_cast<int>(left) % 60);
        } else {
            std::snprintf(tail, sizeof tail, "%3d%%", percent_);
        }
        return bar + tail;
    }
    void DrawBar() { out_.Write("\r\x1b[K" + BarText() + "  " + MadeVisible(status_)); }

    StandardOutput& out_;
    TerminalMessageBoxes& boxes_;
    Colors colors_;
    bool tty_;
    std::chrono::steady_clock::time_point start_;
    std::string status_;
    int percent_ = 0;
    int lastTenth_ = 0;
    ui::MemoryButton start_button_, cancel_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool closed_ = false;
    int result_ = ui::kUpgradeCancelId;
};

}  // namespace

std::string RtfAsTerminalText(const std::string& rtf, const Colors& colors) {
    std::string out;
    for (const firmware::RtfRun& run : firmware::ReadRtf(rtf)) {
        std::string style;
        if (colors.on && run.bold) style += "\x1b[1m";
        if (colors.on && run.underline) style += "\x1b[4m";
        if (colors.on && run.colour) {
            char code[32];
            std::snprintf(code, sizeof code, "\x1b[38;2;%d;%d;%dm", run.colour->red,
                          run.colour->green, run.colour->blue);
            style += code;
        }
        out += style + MadeVisible(run.text) + (style.empty() ? "" : colors.Reset());
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

std::unique_ptr<ui::FilesListWindow> TerminalUpgradeRunner::MakeFilesListWindow() {
    return std::make_unique<TerminalFilesList>(out_, boxes_, colors_);
}

int TerminalUpgradeRunner::RunUpgradeDialog(ui::UpgradeDialogEvents& events) {
    upgradeStarted_ = true;
    StopSignals hold(StopSignals::Mode::Hold);
    TerminalUpgradeView view(out_, boxes_, colors_);
    events.OnStart(view);
    int result = view.Loop(events);
    events.OnDestroy();
    heldSignal_ = hold.Held();
    return result;
}

}  // namespace orvane::cli
