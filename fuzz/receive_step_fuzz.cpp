// The receive step: reply bytes framed into lines of the results pane. The first
// input byte chooses "Convert Binary", the size of the pieces the bytes are taken
// in, and filler in front that brings the rest up to the line limit.

#include <unistd.h>

#include <algorithm>

#include "app/receive_step.h"
#include "fuzz_support.h"
#include "ui/memory_controls.h"

using namespace orvane;
using app::ReceiveStep;

constexpr std::size_t kPieceSizes[] = {1, 3, 7, 64, 512, 4096, 20479, 65536};
constexpr std::size_t kFillerUnit = 1365;  // fifteen of them end just short of the limit
// Cut to this, the filler and the input fit in a socket pair without a reader.
constexpr std::size_t kMaxInput = 64 * 1024;

// Checks each line as it comes rather than copy and scan some 40 KB of filler.
struct Pane : ui::MemoryTextBox {
    void AppendText(std::string_view t) override {
        FUZZ_CHECK(t.ends_with("\r\n"));
        for (std::size_t end; (end = t.find("\r\n")) != std::string_view::npos;
             t.remove_prefix(end + 2)) {
            // Every line has its line end and is never beyond the buffer.
            FUZZ_CHECK(end >= 1 && end < app::kReceiveBufferSize);
            // Unconverted, the lines are the bytes sent, in order, less the line ends.
            if (unconverted) {
                FUZZ_CHECK(unconverted->compare(shown, end, t.substr(0, end)) == 0);
                shown += end;
            }
        }
    }
    const std::string* unconverted = nullptr;
    std::size_t shown = 0;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    size = std::min(size, kMaxInput);
    const bool convert = data[0] & 1;
    const std::size_t piece = kPieceSizes[(data[0] >> 1) & 7];
    const std::size_t filler = kFillerUnit * (data[0] >> 4);
    std::string bytes(filler, 'x');
    bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string kept = bytes;
    std::erase_if(kept, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });

    auto record = std::make_unique<transport::ConnectionRecord>();
    platform::UniqueFd instrument = fuzz::ConnectInstrument(*record);
    ReceiveStep step(piece);
    Pane pane;
    if (!convert) pane.unconverted = &kept;
    std::size_t counted = 0;
    auto counter = [&](std::size_t n) { counted += n; };

    // All is sent at once and taken a piece per call: the cuts of bytes arriving
    // in pieces, without the system calls. The last call finds nothing more.
    FUZZ_CHECK(::write(instrument.get(), bytes.data(), bytes.size()) ==
               static_cast<ssize_t>(bytes.size()));
    for (std::size_t at = 0; at <= bytes.size(); at += piece) {
        FUZZ_CHECK(step.Run(*record, pane, convert, counter) == ReceiveStep::Result::Idle);
        FUZZ_CHECK(step.pending() < app::kReceiveBufferSize);
    }
    // Every byte that is not a line end was shown or waits for its line's end.
    FUZZ_CHECK(counted + step.pending() == kept.size());
    if (!convert) FUZZ_CHECK(pane.shown == counted);

    // The instrument hangs up: reported once everything it sent has been taken.
    instrument.reset();
    FUZZ_CHECK(step.Run(*record, pane, convert, counter) == ReceiveStep::Result::ReadFailure);
    return 0;
}
