// Connecting and identifying over the LAN against an instrument whose every
// reply is the fuzz input: the answer to "*IDN?" (after any empty lines the
// five tries allow), then the calibration and version replies. The instrument
// hangs up after the input, so no wait ever runs its course.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "connection/connect_and_identify.h"
#include "connection/connection_texts.h"
#include "connection/model_table.h"
#include "fuzz_support.h"
#include "platform/diagnostics.h"
#include "support/fake_clock.h"
#include "support/fake_ui.h"

using namespace orvane;
using namespace orvane::connection;

namespace {

// A socket pair holds this much without a reader; the harness never needs more.
constexpr std::size_t kMaxReply = 64 * 1024;

bool KnownModel(uint32_t code) {
    return code == kModelUnknown || code == kModelBootcode || code == kModelOtherZda ||
           code == kModelDwelAdaptor || (code >= kModelTrv48 && code <= kModelZdax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    size = std::min(size, kMaxReply);
    testing::FakeClock clock;
    // The comms log writes every reply line out, serial number and all; to a
    // file that is always there and never grows.
    platform::Diagnostics log(clock);
    log.SetCommsLogFile("/dev/null");

    auto record = std::make_unique<transport::ConnectionRecord>();
    platform::UniqueFd instrument =
        fuzz::ConnectInstrument(*record, {.clock = &clock, .diagnostics = &log});
    FUZZ_CHECK(size == 0 || ::write(instrument.get(), data, size) == static_cast<ssize_t>(size));
    ::shutdown(instrument.get(), SHUT_WR);
    testing::FakeMessageBoxes boxes;
    testing::FakeWaitCursor cursor;
    const uint32_t start = clock.TickCount();
    bool identified = ConnectAndIdentify(boxes, cursor, *record, true);

    FUZZ_CHECK(clock.TickCount() - start < 100);
    FUZZ_CHECK(boxes.shown.size() == 1);
    FUZZ_CHECK(cursor.depth == 0);
    FUZZ_CHECK(KnownModel(record->modelCode));
    if (!identified) {
        FUZZ_CHECK(record->modelCode == kModelUnknown && record->identity.empty());
        FUZZ_CHECK(boxes.shown[0].text == kConnectionFailed);
    } else {
        FUZZ_CHECK(boxes.shown[0].text.starts_with(kConnectionSuccessful));
        if (record->modelCode == kModelUnknown) FUZZ_CHECK(record->identity.empty());
        if (record->modelCode != kModelBootcode && record->modelCode != kModelUnknown) {
            FUZZ_CHECK(!record->identity.empty());
        }
    }
    return 0;
}
