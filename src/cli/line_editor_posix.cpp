#include <histedit.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <optional>

#include "cli/line_editor.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"

namespace orvane::cli {
namespace {

constexpr int kHistorySize = 1000;

// The terminal's settings before Start, for Stop and for a signal that ends the
// program: the handler can reach only what is kept beside the code, and there
// is one console at a time.
termios g_saved{};

void RestoreSaved() {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
}

const char* Prompt(EditLine*) {
    return LineEditor::kPrompt;
}

// Keys a terminal sends that have no use here; unbound, libedit would beep and
// type the sequence's tail into the command.
unsigned char Ignore(EditLine*, int) {
    return CC_NORM;
}

// How long the rest of a key's sequence may take to come. libedit waits for
// it; a lone Esc would otherwise hold the replies back until the next key.
constexpr int kKeyWaitMs = 50;

// libedit's key reader, with a limit on the wait: a key not complete by then
// ends the read as an end of input would, and libedit drops it.
int ReadKey(EditLine*, wchar_t* key) {
    std::mbstate_t state{};
    for (;;) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, kKeyWaitMs) <= 0) return 0;
        unsigned char byte;
        const ssize_t n = ::read(STDIN_FILENO, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return static_cast<int>(n);
        const std::size_t done = std::mbrtowc(key, reinterpret_cast<const char*>(&byte), 1, &state);
        if (done == static_cast<std::size_t>(-2)) continue;  // more of a UTF-8 character
        if (done == static_cast<std::size_t>(-1)) *key = byte;
        return 1;
    }
}

// Columns a text takes on the terminal: UTF-8 sequences one, control bytes two
// (libedit shows them as ^X).
std::size_t Width(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if ((b & 0xc0) != 0x80) n += b < 0x20 || b == 0x7f ? 2 : 1;
    }
    return n;
}

std::size_t Columns() {
    winsize ws{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

// Makes the folder and its parents, as mkdir -p.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

struct LineEditor::Impl {
    Impl(StandardOutput& o, bool i, std::string h)
        : out(o), interactive(i), historyFile(std::move(h)) {}

    // Where the cursor is, counted in rows below the prompt's first.
    std::size_t CursorRow() const {
        const LineInfo* li = el_line(el);
        std::string_view before(li->buffer, static_cast<std::size_t>(li->cursor - li->buffer));
        return (Width(kPrompt) + Width(before)) / Columns();
    }
    // Moves to the prompt's first row and erases the prompt and what is typed.
    std::string EraseInput(std::size_t rowsBelow) const {
        std::string s;
        if (rowsBelow > 0) s += "\x1b[" + std::to_string(rowsBelow) + "A";
        return s + "\r\x1b[J";
    }
    // libedit draws the prompt and the line again from the cursor's row.
    void Redraw() { el_set(el, EL_REFRESH); }

    void WarnHistory(int error) {
        if (historyWarned) return;
        historyWarned = true;
        if (el && started) out.Write(EraseInput(CursorRow()));
        std::fprintf(stderr, kHistoryNotKept, historyFile.c_str(), std::strerror(error));
        if (el && started) Redraw();
    }
    void LoadHistory() {
        if (historyFile.empty()) return;
        std::size_t slash = historyFile.rfind('/');
        if (slash != std::string::npos && slash > 0 && !MakeFolders(historyFile.substr(0, slash))) {
            WarnHistory(errno);
            return;
        }
        HistEvent ev;
        history(hist, &ev, H_LOAD, historyFile.c_str());  // none yet is no history
        const std::string folder = slash == std::string::npos ? "." : historyFile.substr(0, slash);
        if (::access(historyFile.c_str(), F_OK) == 0 ? ::access(historyFile.c_str(), W_OK) != 0
                                                     : ::access(folder.c_str(), W_OK) != 0)
            WarnHistory(errno);
    }
    // Each line as it is sent, so that a console ended by a signal loses none.
    void Remember(const std::string& line) {
        if (line.empty()) return;
        HistEvent ev;
        history(hist, &ev, H_ENTER, line.c_str());
        if (historyFile.empty() || historyWarned) return;
        errno = 0;
        if (history(hist, &ev, H_SAVE, historyFile.c_str()) < 0) WarnHistory(errno ? errno : EIO);
    }

    // One edit from the keys stdin holds.
    void Edit() {
        int n = 0;
        const char* buffer = el_gets(el, &n);
        if (!buffer || n <= 0) return;  // an empty line after an edit, or nothing complete
        std::string_view text(buffer, static_cast<std::size_t>(n));
        if (text == "\x04") {  // Ctrl-D on an empty line
            events.push_back({Event::End, {}});
            return;
        }
        if (text.back() != '\n') return;
        std::string line(text.substr(0, text.size() - 1));
        // libedit has moved below the line; it goes, as the results show it sent.
        out.Write(
            EraseInput((Width(kPrompt) + Width(text.substr(0, text.size() - 1))) / Columns() + 1));
        Remember(line);
        // A fresh, empty line with its prompt.
        el_set(el, EL_UNBUFFERED, 0);
        el_set(el, EL_UNBUFFERED, 1);
        events.push_back({Event::Line, std::move(line)});
    }

    StandardOutput& out;
    bool interactive;
    std::string historyFile;
    bool started = false;
    bool eof = false;
    bool historyWarned = false;
    std::optional<StopSignals> signals;  // puts g_saved back if a signal ends the program
    EditLine* el = nullptr;
    History* hist = nullptr;
    std::deque<Event> events;
    std::string input;    // piped bytes not yet turned into lines
    std::string partial;  // the printed output's last line, while it has no line end
};

LineEditor::LineEditor(StandardOutput& out, bool interactive, std::string historyFile)
    : impl_(std::make_unique<Impl>(out, interactive, std::move(historyFile))) {}

LineEditor::~LineEditor() {
    Stop();
}

void LineEditor::Start() {
    Impl& m = *impl_;
    if (m.started) return;
    if (m.interactive) {
        // libedit reads and shows characters by the locale; without one that
        // knows UTF-8 it drops every byte past ASCII from what is typed.
        std::setlocale(LC_CTYPE, "");
        if (MB_CUR_MAX == 1) std::setlocale(LC_CTYPE, "C.UTF-8");
        ::tcgetattr(STDIN_FILENO, &g_saved);
        m.signals.emplace(StopSignals::Mode::Stop, RestoreSaved);
        m.el = el_init("orvane2-cli", stdin, stdout, stderr);
        m.hist = history_init();
    }
    if (!m.el || !m.hist) {
        m.interactive = false;  // plain lines, as from a pipe
        m.started = true;
        return;
    }
    HistEvent ev;
    history(m.hist, &ev, H_SETSIZE, kHistorySize);
    history(m.hist, &ev, H_SETUNIQUE, 1);
    el_set(m.el, EL_EDITOR, "emacs");
    el_set(m.el, EL_PROMPT, Prompt);
    el_set(m.el, EL_HIST, history, m.hist);
    el_set(m.el, EL_SIGNAL, 0);  // StopSignals owns the signals
    el_set(m.el, EL_GETCFN, ReadKey);
    // The wide form keeps the names as given; the narrow one copies them and
    // never frees the copies.
    el_wset(m.el, EL_ADDFN, L"orvane-ignore", L"ignore a key", Ignore);
    for (const char* key : {"\033[2~", "\033[5~", "\033[6~"})  // Insert, PageUp, PageDown
        el_set(m.el, EL_BIND, key, "orvane-ignore", nullptr);
    el_set(m.el, EL_BIND, "\033[1~", "ed-move-to-beg", nullptr);
    el_set(m.el, EL_BIND, "\033[4~", "ed-move-to-end", nullptr);
    el_set(m.el, EL_BIND, "\033[1;5D", "ed-prev-word", nullptr);
    el_set(m.el, EL_BIND, "\033[1;5C", "em-next-word", nullptr);
    el_set(m.el, EL_BIND, "^U", "em-kill-line", nullptr);
    el_source(m.el, nullptr);  // the user's ~/.editrc has the last word
    m.LoadHistory();
    m.started = true;
    el_set(m.el, EL_UNBUFFERED, 1);  // keys one by one from here on; shows the prompt
}

void LineEditor::Stop() {
    Impl& m = *impl_;
    if (!m.started) return;
    m.started = false;
    if (!m.el) return;
    m.out.Write(m.EraseInput(m.CursorRow()));
    el_set(m.el, EL_UNBUFFERED, 0);
    el_end(m.el);
    history_end(m.hist);
    m.el = nullptr;
    m.hist = nullptr;
    RestoreSaved();
    m.signals.reset();
}

void LineEditor::Read() {
    Impl& m = *impl_;
    if (m.el) {
        // libedit reads a byte at a time (a whole key sequence once it has its
        // first byte), so it is only asked while bytes wait.
        int waiting = 0;
        if (::ioctl(STDIN_FILENO, FIONREAD, &waiting) != 0 || waiting <= 0) {
            m.eof = true;  // readable with nothing to read: the terminal hung up
            return;
        }
        while (waiting > 0 && (m.events.empty() || m.events.back().kind != Event::End)) {
            m.Edit();
            if (::ioctl(STDIN_FILENO, FIONREAD, &waiting) != 0) waiting = 0;
        }
        return;
    }
    char buf[4096];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n > 0) {
        m.input.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        m.eof = true;
    }
}

LineEditor::Event LineEditor::Next() {
    Impl& m = *impl_;
    Event e;
    if (m.el) {
        if (!m.events.empty()) {
            e = std::move(m.events.front());
            m.events.pop_front();
        } else if (m.eof) {
            e.kind = Event::End;
        }
        return e;
    }
    return NextPlainLine(m.input, m.eof);
}

void LineEditor::Print(std::string_view text) {
    Impl& m = *impl_;
    if (!m.el || !m.started) {
        m.out.Write(text);
        return;
    }
    // One write for the text and one redraw of the prompt, however much came.
    // A last line without its end is shown on a row of its own above the
    // prompt, and written again, whole, when the rest comes.
    std::string s = m.EraseInput(m.CursorRow());
    if (!m.partial.empty()) {
        std::size_t rows = (Width(m.partial) + Columns() - 1) / Columns();
        s += "\x1b[" + std::to_string(std::max<std::size_t>(rows, 1)) + "A\r\x1b[J" + m.partial;
    }
    s += text;
    m.partial += text;
    std::size_t nl = m.partial.rfind('\n');
    if (nl != std::string::npos) m.partial.erase(0, nl + 1);
    if (!m.partial.empty()) s += '\n';
    m.out.Write(s);
    m.Redraw();
}

void LineEditor::SetLine(const std::string& line) {
    Impl& m = *impl_;
    if (!m.el || !m.started) return;
    m.out.Write(m.EraseInput(m.CursorRow()));
    const LineInfo* li = el_line(m.el);
    el_cursor(m.el, static_cast<int>(li->lastchar - li->cursor));
    li = el_line(m.el);
    el_deletestr(m.el, static_cast<int>(li->cursor - li->buffer));
    el_insertstr(m.el, line.c_str());
    m.Redraw();
}

std::string ConsoleHistoryPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/orvane2/history";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/orvane2/history";
    return {};
}

}  // namespace orvane::cli
