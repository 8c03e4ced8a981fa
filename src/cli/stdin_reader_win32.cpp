#include "cli/stdin_reader_win32.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32_support.h"

namespace orvane::cli::stdin_reader {
namespace {

constexpr char kCtrlD = 0x04;
constexpr char kCtrlU = 0x15;

struct Shared {
    std::mutex mutex;
    std::string bytes;
    bool ended = false;
};

// The thread never ends before the process: it is blocked in a read that only
// new input or the end of input finishes. It keeps the state alive itself.
std::shared_ptr<Shared> g_shared;
std::once_flag g_started;

class KeyBytes {
  public:
    // A key as the bytes a POSIX terminal would send for it: Up and Down as
    // their escape sequences, Esc as Ctrl-U (it clears the line in a Windows
    // console), Ctrl-Z as Ctrl-D (the end of input there).
    void Append(std::string& out, const KEY_EVENT_RECORD& key) {
        if (!key.bKeyDown) return;
        for (WORD i = 0; i < std::max<WORD>(key.wRepeatCount, 1); ++i) {
            if (key.wVirtualKeyCode == VK_UP) {
                out += "\x1b[A";
            } else if (key.wVirtualKeyCode == VK_DOWN) {
                out += "\x1b[B";
            } else if (key.wVirtualKeyCode == VK_ESCAPE) {
                out += kCtrlU;
            } else if (wchar_t c = key.uChar.UnicodeChar; c == 0x1a) {
                out += kCtrlD;
            } else if (c != 0) {
                AppendCharacter(out, c);
            }
        }
    }

  private:
    void AppendCharacter(std::string& out, wchar_t c) {
        // A character outside the basic plane comes as two keys, one half each.
        if (c >= 0xD800 && c <= 0xDBFF) {
            high_ = c;
            return;
        }
        wchar_t pair[2] = {high_, c};
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        high_ = 0;
        if (low && pair[0] == 0) return;
        out += platform::Utf8(low ? std::wstring_view(pair, 2) : std::wstring_view(&c, 1));
    }

    wchar_t high_ = 0;
};

void ReadForever(const std::shared_ptr<Shared>& shared, bool keys) {
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    KeyBytes translate;
    for (;;) {
        std::string got;
        bool ok;
        if (keys) {
            INPUT_RECORD records[64];
            DWORD n = 0;
            ok = ::ReadConsoleInputW(in, records, 64, &n) != 0;
            for (DWORD i = 0; ok && i < n; ++i) {
                if (records[i].EventType == KEY_EVENT)
                    translate.Append(got, records[i].Event.KeyEvent);
            }
        } else {
            char buf[4096];
            DWORD n = 0;
            // A pipe whose writer has gone, a file's end or any failure: the end.
            ok = ::ReadFile(in, buf, sizeof buf, &n, nullptr) && n > 0;
            got.assign(buf, n);
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->bytes += got;
        if (!ok) {
            shared->ended = true;
            return;
        }
    }
}

}  // namespace

void Start(bool keys) {
    std::call_once(g_started, [keys] {
        g_shared = std::make_shared<Shared>();
        std::thread([shared = g_shared, keys] { ReadForever(shared, keys); }).detach();
    });
}

bool Ready() {
    if (!g_shared) return false;
    std::lock_guard<std::mutex> lock(g_shared->mutex);
    return !g_shared->bytes.empty() || g_shared->ended;
}

bool Take(std::string& into) {
    if (!g_shared) return true;
    std::lock_guard<std::mutex> lock(g_shared->mutex);
    into += g_shared->bytes;
    g_shared->bytes.clear();
    return !g_shared->ended;
}

}  // namespace orvane::cli::stdin_reader
