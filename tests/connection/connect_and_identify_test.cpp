#include "connection/connect_and_identify.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "connection/connection_texts.h"
#include "connection/model_table.h"
#include "platform/text_format.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "support/fake_ui.h"
#include "transport/channel.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::testing::FakeMessageBoxes;
using orvane::testing::FakeWaitCursor;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

// An instrument on loopback TCP, answering in virtual time.
struct LanBench {
    explicit LanBench(sim::InstrumentConfig config = {})
        : endpoint(std::move(config), "127.0.0.1", 0) {
        record.linkOptions = {.tcpPort = endpoint.Port(), .clock = &clock};
        pump = clock.AddPump([this](uint32_t now) { endpoint.Pump(now); });
        record.interfaceKind = InterfaceKind::Lan;
        record.ipAddress = "127.0.0.1";
    }
    ~LanBench() {
        transport::CloseChannel(record);
        clock.RemovePump(pump);
    }
    bool Connect() { return ConnectAndIdentify(boxes, cursor, record, true); }
    uint32_t Queries() { return endpoint.engine().counters().identificationQueries; }

    orvane::testing::FakeClock clock;
    sim::TcpEndpoint endpoint;
    int pump;
    ConnectionRecord record;
    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
};

}  // namespace

TEST(ConnectAndIdentify, SilenceAsksFiveTimesAndTheMessageSaysWhatWasKnown) {
    sim::InstrumentConfig quiet;
    quiet.silent = true;
    LanBench silent(quiet);
    silent.record.interfaceKind = InterfaceKind::None;  // nothing at all
    EXPECT_FALSE(silent.Connect());
    EXPECT_TRUE(silent.boxes.shown.empty());
    silent.record.interfaceKind = InterfaceKind::Lan;
    silent.record.modelCode = 0;
    EXPECT_FALSE(silent.Connect());
    EXPECT_EQ(silent.Queries(), 5u);
    // On the wire: the open's DC4, then the wake DC4 and "^[", each a command of its own.
    EXPECT_EQ(std::string(silent.endpoint.engine().received()).substr(0, 14),
              std::string("\x14\0\x14\0^[\0*IDN?\n\0", 14));
    EXPECT_TRUE(silent.record.channelOpen);  // its caller closes it
    std::string line;                        // the usual reply time-out again
    uint32_t start = silent.clock.TickCount();
    transport::ChannelReceiveLine(line, kReplyBufferSize, silent.record);
    EXPECT_EQ(silent.clock.TickCount() - start, transport::kDefaultReplyTimeoutMs);
    EXPECT_EQ(silent.boxes.Texts(),
              std::vector<std::string>{
                  std::string(kConnectionFailed) + "\n" +
                  platform::Format(kReasonSilentAddress, silent.record.ipAddress.c_str(), 5)});
    EXPECT_EQ(silent.cursor.depth, 0);

    // A Test after an earlier identification keeps the model code: "Incompatable".
    silent.boxes.shown.clear();
    silent.record.modelCode = kModelTrv88;
    EXPECT_FALSE(silent.Connect());
    EXPECT_EQ(silent.boxes.Texts(), std::vector<std::string>{kIncompatibleInstrument});
    EXPECT_EQ(silent.record.modelCode, kModelTrv88);
}

TEST(ConnectAndIdentify, AnswerShapesDecideTheOutcome) {
    const std::string known = sim::IdentityText({});
    const std::string longId = "Kelmscot,TRV48," + std::string(280, 'S') + ",,,,,,,,";
    struct Row {
        const char* name;
        std::string answer;
        uint32_t model;
        std::string identity;  // kept in the record; it was "before"
        std::string shown;     // after kConnectionSuccessful
    } rows[] = {
        {"a known model", known, kModelTrv88, known, known},
        {"bootcode: no comma, the dump mark from the eighth character on",
         "0000000:    32 32 32 32 ff ff", kModelBootcode, "0000000:    32 32 32 32 ff ff",
         kBootcodeInstrument},
        {"no comma and the mark one character off: unknown, the identity kept",
         "0000000:    32 32 32 33", kModelUnknown, "before", "before"},
        {"an unknown model empties the identity", "Kelmscot,XYZ1,1,TRV88", kModelUnknown, "",
         kUnknownInstrument},
        {"an over-long answer is cut at the field", longId, kModelTrv48, longId.substr(0, 127),
         longId.substr(0, 127)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::InstrumentConfig config;
        config.identity = row.answer;
        LanBench bench(config);
        bench.record.identity = "before";
        bench.record.calibration = "kept";
        bench.record.versionReply = "kept";
        ASSERT_TRUE(bench.Connect());
        EXPECT_EQ(bench.record.modelCode, row.model);
        EXPECT_EQ(bench.record.identity, row.identity);
        // Only a known model is asked for its calibration and versions.
        const bool asked = row.model != kModelUnknown && row.model != kModelBootcode;
        EXPECT_EQ(bench.record.calibration, asked ? sim::kDefaultCalstr : "kept");
        EXPECT_EQ(bench.record.versionReply, asked ? sim::kDefaultVersion : "kept");
        EXPECT_EQ(bench.Queries(), 1u);
        EXPECT_EQ(bench.boxes.Texts(), std::vector<std::string>{kConnectionSuccessful + row.shown});
    }
}

// Every failed open is shown, whatever showResult says, with why: what the
// system said, or what no port can use, refused by name before any device is
// touched (a path too long for the field or with a zero byte would, cut, name
// another device).
TEST(ConnectAndIdentify, OpenFailuresSayWhyAndUnusableSettingsNameTheValue) {
    sim::PtyEndpoint pty;  // held by another program
    ConnectionRecord holder;
    holder.interfaceKind = InterfaceKind::Serial;
    holder.comPort = pty.DevicePath();
    holder.baudRate = 9600;
    ASSERT_EQ(transport::OpenChannel(holder), 0);
    const uint16_t freePort = sim::TcpEndpoint({}, "127.0.0.1", 0).Port();
    const std::string longPath =
        "/tmp/" + std::string(transport::kComPortMaxLength - 5, 'p') + "-A-suffix";
    const std::string rates = SupportedBaudRatesText();
    ASSERT_TRUE(rates.starts_with("300, 600, ") && rates.ends_with(", 1500000 or 2000000 baud"))
        << rates;
    const auto usb = InterfaceKind::Usb, lan = InterfaceKind::Lan;
    struct Row {
        InterfaceKind kind;
        std::string where;  // the port, or the LAN address
        uint32_t baud;
        std::string reason;
    } rows[] = {
        {usb, "ttyORVANE_MISSING", 19200, kReasonNoDevice},
        {InterfaceKind::Serial, pty.DevicePath(), 9600, kReasonBusy},
        {lan, "127.0.0.1", 0, platform::Format(kReasonRefused, unsigned(freePort))},
        {lan, "instrument", 0, kReasonBadAddress},
        {lan, "10.1", 0, kReasonBadAddress},            // no short forms for 10.0.0.1
        {lan, "255.255.255.255", 0, kReasonBroadcast},  // with what the system said
        {usb, longPath, 19200,
         platform::Format(kReasonPortPathTooLong, longPath.size(), transport::kComPortMaxLength)},
        {usb, longPath.substr(0, transport::kComPortMaxLength), 19200, kReasonNoDevice},
        {usb, std::string("null\0junk", 9), 19200, kReasonNoDevice},
        {usb, "/dev/null", 19200, platform::Format(kReasonOther, std::strerror(ENOTTY))},
        {static_cast<InterfaceKind>(99), "ttyS0", 9600, platform::Format(kReasonBadInterface, 99u)},
        {usb, "ttyORVANE_MISSING", 0, platform::Format(kReasonNoBaudRate, rates.c_str())},
        {InterfaceKind::Serial, "ttyORVANE_MISSING", 12345,
         platform::Format(kReasonBadBaudRate, 12345u, rates.c_str())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where + " " + row.reason);
        FakeMessageBoxes boxes;
        FakeWaitCursor cursor;
        ConnectionRecord r;
        r.interfaceKind = row.kind;
        r.ipAddress = r.comPort = row.where;
        r.baudRate = row.baud;
        r.linkOptions.tcpPort = freePort;
        EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, r, false));
        const char* form = row.kind == lan ? kFailedToConnectToIp : kUnableToOpenPort;
        const std::string reason =
            row.reason == kReasonBroadcast
                ? platform::Format(kReasonBroadcast, row.where.c_str(), std::strerror(r.openError))
                : row.reason;
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].caption, kTestConnectionCaption);
        EXPECT_EQ(boxes.shown[0].text, platform::Format(form, row.where.c_str()) + "\n" + reason);
    }
    transport::CloseChannel(holder);
}

TEST(ConnectAndIdentify, PermissionDeniedSuggestsOnlyAGroupThatHelpsAndIsNotRoot) {
    struct Row {
        const char* group;
        unsigned gid, mode;
        bool suggestGroup;
    } rows[] = {
        {"dialout", 20, 0660, true}, {"uucp", 14, 0666, true},     {"root", 0, 0600, false},
        {"root", 0, 0660, false},    {"dialout", 20, 0600, false}, {"dialout", 20, 0640, false},
        {"tty", 5, 0620, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(PermissionDeniedReason("root", row.group, row.gid, row.mode),
                  row.suggestGroup
                      ? platform::Format(kReasonPermission, row.group, row.group)
                      : platform::Format(kReasonPermissionOwner, "root", row.group, row.mode))
            << row.group << " " << std::oct << row.mode;
    }
    // A real device file: its owner, group and mode are what the message is made of.
    char tmpl[] = "/tmp/orvane_dev_XXXXXX";
    ::close(mkstemp(tmpl));
    struct stat st {};
    ::stat(tmpl, &st);
    ConnectionRecord r;
    r.interfaceKind = InterfaceKind::Usb;
    r.comPort = tmpl;
    r.openError = EACCES;
    EXPECT_EQ(OpenFailureMessage(r),
              platform::Format(kUnableToOpenPort, tmpl) + "\n" +
                  PermissionDeniedReason(::getpwuid(st.st_uid)->pw_name,
                                         ::getgrgid(st.st_gid)->gr_name, st.st_gid, 0600));
    ::unlink(tmpl);  // and with nothing to look at, only what the system said
    EXPECT_EQ(OpenFailureMessage(r), platform::Format(kUnableToOpenPort, tmpl) + "\n" +
                                         platform::Format(kReasonOther, std::strerror(EACCES)));
}
