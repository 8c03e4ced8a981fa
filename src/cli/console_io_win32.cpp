#include <windows.h>
// After windows.h, which it needs.
#include <io.h>
#include <shellapi.h>

#include <algorithm>

#include "cli/console_io.h"
#include "cli/stdin_reader_win32.h"
#include "cli/terminal_ui.h"
#include "platform/clock.h"
#include "platform/win32_support.h"

namespace orvane::cli {
namespace {

// The output consoles whose mode was changed, put back as the program ends:
// the console belongs to the shell that started it. Each is kept through a
// handle of its own, as stdout's is closed before then.
struct OutputModes {
    struct Saved {
        HANDLE console;
        DWORD mode;
    };
    std::vector<Saved> saved;
    ~OutputModes() {
        for (const Saved& s : saved) {
            ::SetConsoleMode(s.console, s.mode);
            ::CloseHandle(s.console);
        }
    }
};
OutputModes g_outputModes;

}  // namespace

void PrepareConsole() {
    // Nothing to do: Windows has no SIGPIPE, and a write to a closed pipe fails with EPIPE.
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    // The argv the C runtime builds is in the ANSI code page, which cannot
    // hold every file name; the wide command line can.
    int n = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
    if (!wide || n != argc) {
        if (wide) ::LocalFree(wide);
        return {argv, argv + argc};
    }
    std::vector<std::string> args;
    for (int i = 0; i < n; ++i) args.push_back(platform::Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

bool IsTerminal(std::FILE* stream) {
    auto console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !::GetConsoleMode(console, &mode)) return false;
    if (stream == stdin) return true;
    // For output, only a console that takes the VT sequences the program
    // writes (colours, the input line redrawn, the progress bar) counts. They
    // are switched on here; a console too old for them gets plain lines.
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    if (!::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
    HANDLE own = nullptr;
    HANDLE self = ::GetCurrentProcess();
    if (::DuplicateHandle(self, console, self, &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        g_outputModes.saved.push_back({own, mode});
    return true;
}

bool WaitForConsoleInput(platform::Clock& clock, int linkDescriptor, uint32_t ms) {
    // The link and stdin's reader cannot be waited on together: the link is
    // watched, and the reader looked at before and after (a key waits a
    // link's wait at most).
    if (stdin_reader::Ready()) return true;
    clock.WaitReadable(linkDescriptor, ms);
    return stdin_reader::Ready();
}

}  // namespace orvane::cli
