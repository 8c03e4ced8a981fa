// Connecting and identifying over the LAN against an instrument whose replies
// (identity, calibration, version) are the fuzz input; it hangs up after the
// input, so no wait ever runs its course.

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

// A socket pair holds this much without a reader; the harness never needs more.
constexpr std::size_t kMaxReply = 64 * 1024;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    size = std::min(size, kMaxReply);
    testing::FakeClock clock;
    // The comms log writes every reply line out; to a file that never grows.
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

    FUZZ_CHECK(clock.TickCount() - start < 100 && boxes.shown.size() == 1 && cursor.depth == 0);
    const uint32_t model = record->modelCode;
    FUZZ_CHECK(model == kModelUnknown || model == kModelBootcode || model == kModelOtherZda ||
               model == kModelDwelAdaptor || (model >= kModelTrv48 && model <= kModelZdax));
    // An identity comes with every model but the bootloader's, and only with a model.
    if (model != kModelBootcode) FUZZ_CHECK(record->identity.empty() == (model == kModelUnknown));
    if (!identified)
        FUZZ_CHECK(model == kModelUnknown && boxes.shown[0].text == std::string(kConnectionFailed) +
                                                                        "\n" +
                                                                        NoAnswerReason(*record));
    if (identified) FUZZ_CHECK(boxes.shown[0].text.starts_with(kConnectionSuccessful));
    return 0;
}
