// A script loaded from memory by the file reader's line rules, then every line
// run through the interpreter against an instrument at the end of a socket pair.

#include <fcntl.h>
#include <unistd.h>

#include "fuzz_support.h"
#include "platform/text.h"
#include "script/script_file.h"
#include "script/script_interpreter.h"
#include "script/script_window.h"
#include "support/fake_clock.h"

using namespace orvane;
using namespace orvane::script;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string printPath = fuzz::WriteScratchFile("print.txt", "");
    testing::FakeClock clock;
    testing::ScriptWindow b;
    platform::UniqueFd instrument = fuzz::ConnectInstrument(b.record, {.clock = &clock});
    ::fcntl(instrument.get(), F_SETFL, O_NONBLOCK);

    std::string_view script(reinterpret_cast<const char*>(data), size);
    bool loaded = LoadScriptText(b.boxes, b.list, "fuzz_script.txt", script);
    FUZZ_CHECK(b.boxes.shown.size() == (loaded ? 0u : 1u));
    for (std::string& item : b.list.items) {
        FUZZ_CHECK(!item.empty() && item.size() <= kMaxScriptLineLength &&
                   item.find_first_of("\r\n") == std::string::npos);
        // "#print" writes the results pane to any path; here only to the scratch folder.
        if (platform::StartsWithNoCase(item, "#print")) item = "#print," + printPath;
    }
    if (!loaded) return 0;

    ScriptEngineState engine;
    const int count = b.list.Count();
    char sink[4096];
    for (int index = 0; index < count; ++index) {
        // Lines run in turn as a running script and as single steps.
        ScriptMode mode = index % 3 == 2 ? ScriptMode::StepPending : ScriptMode::Running;
        const int at = index;
        engine.nextStepTime = 0;
        ExecuteScriptLine(b.host, engine, mode, index, count);
        // The instrument takes whatever was sent, so a long script never blocks a send.
        while (::read(instrument.get(), sink, sizeof sink) > 0) {
        }
        // Only a "#reply" line after a query is consumed along with it.
        FUZZ_CHECK(index == at || (index == at + 1 && index < count));
        // A due time beyond the longest wait would read as past: the next line at once.
        if (mode == ScriptMode::Running)
            FUZZ_CHECK(TickBefore(clock.TickCount(), engine.nextStepTime));
        FUZZ_CHECK(engine.stepInterval == kFastStepMs || engine.stepInterval == kNormalStepMs ||
                   engine.stepInterval == kSlowStepMs);
        clock.Advance(1);
    }
    FUZZ_CHECK(engine.calculator.failCount() >= 0);
    int beyond = count;
    FUZZ_CHECK(!ExecuteScriptLine(b.host, engine, ScriptMode::Running, beyond, count));
    return 0;
}
