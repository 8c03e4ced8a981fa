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
#include "platform/diagnostics.h"
#include "platform/text_format.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "support/fake_ui.h"
#include "transport/channel.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::testing::FakeClock;
using orvane::testing::FakeMessageBoxes;
using orvane::testing::FakeWaitCursor;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

// An instrument on loopback TCP, answering in virtual time.
struct LanBench {
    explicit LanBench(sim::InstrumentConfig config = {})
        : endpoint(std::move(config), "127.0.0.1", 0) {
        record.linkOptions = {
            .tcpPort = endpoint.Port(), .clock = &clock, .diagnostics = &diagnostics};
        pump = clock.AddPump([this](uint32_t now) { endpoint.Pump(now); });
        record.interfaceKind = InterfaceKind::Lan;
        record.ipAddress = "127.0.0.1";
    }
    ~LanBench() {
        transport::CloseChannel(record);
        clock.RemovePump(pump);
    }
    bool Connect(bool showResult = true) {
        return ConnectAndIdentify(boxes, cursor, record, showResult);
    }
    // How long a reply is waited for when none comes.
    uint32_t ReplyWait() {
        std::string line;
        uint32_t start = clock.TickCount();
        transport::ChannelReceiveLine(line, kReplyBufferSize, record);
        return clock.TickCount() - start;
    }
    uint32_t Queries() { return endpoint.engine().counters().identificationQueries; }

    FakeClock clock;
    platform::Diagnostics diagnostics{clock};
    sim::TcpEndpoint endpoint;
    int pump;
    ConnectionRecord record;
    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
};

sim::InstrumentConfig Identity(const std::string& whole) {
    sim::InstrumentConfig c;
    c.identity = whole;
    return c;
}

}  // namespace

TEST(ConnectAndIdentify, NoInterfaceDoesNothingAtAll) {
    FakeClock clock;
    platform::Diagnostics diagnostics(clock);
    ConnectionRecord r;
    r.linkOptions.diagnostics = &diagnostics;
    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
    std::string trace;
    diagnostics.SetSink([&](std::string_view s) { trace += s; });
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, r, true));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(trace, "");
    EXPECT_EQ(cursor.begins, 0);
    EXPECT_FALSE(r.channelOpen);
}

TEST(ConnectAndIdentify, RecognisedModelFetchesCalibrationAndVersions) {
    LanBench bench;
    std::string trace;
    bench.diagnostics.SetSink([&](std::string_view s) { trace += s; });
    ASSERT_TRUE(bench.Connect());
    const ConnectionRecord& r = bench.record;
    std::string identity = sim::IdentityText(bench.endpoint.engine().config());
    EXPECT_EQ(r.identity, identity);
    EXPECT_EQ(r.modelCode, kModelTrv88);
    EXPECT_EQ(r.calibration, sim::kDefaultCalstr);
    EXPECT_EQ(r.calverReply, sim::kDefaultCalver);
    EXPECT_EQ(r.versionReply, sim::kDefaultVersion);
    EXPECT_TRUE(r.channelOpen);
    EXPECT_EQ(bench.Queries(), 1u);
    ASSERT_EQ(bench.boxes.shown.size(), 1u);
    EXPECT_EQ(bench.boxes.shown[0].text, std::string(kConnectionSuccessful) + identity);
    EXPECT_EQ(bench.boxes.shown[0].caption, kTestConnectionCaption);
    EXPECT_EQ(bench.cursor.begins, 1);
    EXPECT_EQ(bench.cursor.depth, 0);
    EXPECT_NE(trace.find(kTraceConnecting), std::string::npos);
    EXPECT_NE(trace.find(kTraceConnected), std::string::npos);
    EXPECT_NE(trace.find(platform::Format(kTraceIdentified, identity.c_str(), 5)),
              std::string::npos);

    // On the wire: the open's DC4, then the wake DC4 and "^[", each a command of its own.
    std::string wire(bench.endpoint.engine().received());
    EXPECT_EQ(wire.substr(0, 14), std::string("\x14\0\x14\0^[\0*IDN?\n\0", 14));
}

TEST(ConnectAndIdentify, CountsQueriesUntilAnAnswer) {
    sim::InstrumentConfig late;
    late.idnFromQuery = 3;
    LanBench bench(late);
    EXPECT_TRUE(bench.Connect(false));
    EXPECT_EQ(bench.Queries(), 3u);
    EXPECT_TRUE(bench.boxes.shown.empty());

    sim::InstrumentConfig quiet;
    quiet.silent = true;
    LanBench silent(quiet);
    silent.record.modelCode = 0;
    uint32_t start = silent.clock.TickCount();
    EXPECT_FALSE(silent.Connect());
    EXPECT_EQ(silent.Queries(), 5u);
    // Five probes of 500 ms after the 100 ms drain; then the usual time-out again.
    EXPECT_LE(silent.clock.TickCount() - start, 100u + 20u + 5u * 500u + 50u);
    EXPECT_TRUE(silent.record.channelOpen);
    EXPECT_EQ(silent.ReplyWait(), transport::kDefaultReplyTimeoutMs);
    EXPECT_EQ(silent.boxes.Texts(), std::vector<std::string>{kConnectionFailed});
    EXPECT_EQ(silent.cursor.depth, 0);

    // A Test after an earlier identification keeps the model code: "Incompatable".
    silent.boxes.shown.clear();
    silent.record.modelCode = kModelTrv88;
    EXPECT_FALSE(silent.Connect());
    EXPECT_EQ(silent.boxes.Texts(), std::vector<std::string>{kIncompatibleInstrument});
    EXPECT_EQ(silent.record.modelCode, kModelTrv88);
}

TEST(ConnectAndIdentify, AnswerShapesDecideTheOutcome) {
    // Bootcode: no comma, the dump mark from the eighth character on.
    {
        LanBench bench(Identity("0000000:    32 32 32 32 ff ff"));
        ASSERT_TRUE(bench.Connect());
        EXPECT_EQ(bench.record.modelCode, kModelBootcode);
        EXPECT_EQ(bench.record.identity, "0000000:    32 32 32 32 ff ff");
        EXPECT_TRUE(bench.record.calibration.empty());  // no further query
        EXPECT_EQ(bench.boxes.Texts(), std::vector<std::string>{std::string(kConnectionSuccessful) +
                                                                kBootcodeInstrument});
    }
    // No comma, not bootcode: true, code 0, identity kept.
    {
        LanBench bench(Identity("HELLO"));
        bench.record.identity = "before";
        ASSERT_TRUE(bench.Connect());
        EXPECT_EQ(bench.record.modelCode, kModelUnknown);
        EXPECT_EQ(bench.record.identity, "before");
        EXPECT_EQ(bench.boxes.Texts(),
                  std::vector<std::string>{std::string(kConnectionSuccessful) + "before"});
    }
    // Unknown model: identity emptied, calibration untouched.
    {
        LanBench bench(Identity("Kelmscot,XYZ1,1,TRV88"));
        bench.record.calibration = "kept";
        ASSERT_TRUE(bench.Connect());
        EXPECT_EQ(bench.record.modelCode, kModelUnknown);
        EXPECT_TRUE(bench.record.identity.empty());
        EXPECT_EQ(bench.record.calibration, "kept");
        EXPECT_EQ(bench.boxes.Texts(), std::vector<std::string>{std::string(kConnectionSuccessful) +
                                                                kUnknownInstrument});
    }
    // Over-long and odd answers are cut at the field, never past it.
    {
        std::string longId = "Kelmscot,TRV48," + std::string(280, 'S') + ",,,,,,,,,,,,,,,,,,,,";
        LanBench bench(Identity(longId));
        ASSERT_TRUE(bench.Connect(false));
        EXPECT_EQ(bench.record.modelCode, kModelTrv48);
        EXPECT_EQ(bench.record.identity.size(), 127u);
        EXPECT_EQ(bench.record.identity, longId.substr(0, 127));
    }
}

TEST(ConnectAndIdentify, OpenFailuresSayWhyAndAreAlwaysShown) {
    FakeMessageBoxes boxes;
    FakeWaitCursor cursor;
    ConnectionRecord r;
    r.interfaceKind = InterfaceKind::Usb;
    r.comPort = "ttyORVANE_MISSING";
    r.baudRate = 19200;
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, r, false));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, kTestConnectionCaption);
    EXPECT_EQ(boxes.shown[0].text,
              platform::Format(kUnableToOpenPort, "ttyORVANE_MISSING") + "\n" + kReasonNoDevice);

    // A port another program holds.
    sim::PtyEndpoint pty;
    ConnectionRecord holder;
    holder.interfaceKind = InterfaceKind::Serial;
    holder.comPort = pty.DevicePath();
    holder.baudRate = 9600;
    ASSERT_EQ(transport::OpenChannel(holder), 0);
    ConnectionRecord second;
    second.interfaceKind = holder.interfaceKind;
    second.comPort = holder.comPort;
    second.baudRate = holder.baudRate;
    boxes.shown.clear();
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, second, true));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                                 platform::Format(kUnableToOpenPort, pty.DevicePath().c_str()) +
                                 "\n" + kReasonBusy});
    transport::CloseChannel(holder);

    // LAN: refused, and an address that is no address.
    uint16_t freePort;
    {
        sim::TcpEndpoint probe({}, "127.0.0.1", 0);
        freePort = probe.Port();
    }
    ConnectionRecord lan;
    lan.linkOptions.tcpPort = freePort;
    lan.interfaceKind = InterfaceKind::Lan;
    lan.ipAddress = "127.0.0.1";
    boxes.shown.clear();
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, lan, false));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{
                  platform::Format(kFailedToConnectToIp, "127.0.0.1") + "\n" +
                  platform::Format(kReasonRefused, static_cast<unsigned>(freePort))});
    lan.ipAddress = "instrument";
    boxes.shown.clear();
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, lan, false));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{platform::Format(kFailedToConnectToIp, "instrument") + "\n" +
                                       kReasonBadAddress});
    lan.ipAddress = "255.255.255.255";
    boxes.shown.clear();
    EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, lan, false));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                                 platform::Format(kFailedToConnectToIp, "255.255.255.255") + "\n" +
                                 platform::Format(kReasonBroadcast, "255.255.255.255",
                                                  std::strerror(lan.openError))});
}

// What no port can use is refused by name before any device is touched: a port
// path too long for the field or with a zero byte (cut at either, it would name
// another device), an interface or a baud rate the settings file got wrong.
TEST(ConnectAndIdentify, UnusableSettingsNameTheValue) {
    const std::string longPath =
        "/tmp/" + std::string(transport::kComPortMaxLength - 5, 'p') + "-A-suffix";
    const std::string rates = SupportedBaudRatesText();
    ASSERT_TRUE(rates.starts_with("300, 600, ") && rates.ends_with(", 1500000 or 2000000 baud"))
        << rates;
    struct Row {
        InterfaceKind kind;
        std::string port;
        uint32_t baud;
        std::string reason;
    } rows[] = {
        {InterfaceKind::Usb, longPath, 19200,
         platform::Format(kReasonPortPathTooLong, longPath.size(), transport::kComPortMaxLength)},
        {InterfaceKind::Usb, longPath.substr(0, transport::kComPortMaxLength), 19200,
         kReasonNoDevice},
        {InterfaceKind::Usb, std::string("null\0junk", 9), 19200, kReasonNoDevice},
        {static_cast<InterfaceKind>(99), "ttyS0", 9600, platform::Format(kReasonBadInterface, 99u)},
        {InterfaceKind::Usb, "ttyORVANE_MISSING", 0,
         platform::Format(kReasonNoBaudRate, rates.c_str())},
        {InterfaceKind::Serial, "ttyORVANE_MISSING", 12345,
         platform::Format(kReasonBadBaudRate, 12345u, rates.c_str())},
    };
    for (const Row& row : rows) {
        FakeMessageBoxes boxes;
        FakeWaitCursor cursor;
        ConnectionRecord r;
        r.interfaceKind = row.kind;
        r.comPort = row.port;
        r.baudRate = row.baud;
        EXPECT_FALSE(ConnectAndIdentify(boxes, cursor, r, false));
        EXPECT_EQ(boxes.Texts(),
                  std::vector<std::string>{platform::Format(kUnableToOpenPort, row.port.c_str()) +
                                           "\n" + row.reason});
    }
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
    r.openError = 0;
    EXPECT_EQ(OpenFailureMessage(r), platform::Format(kUnableToOpenPort, tmpl));
}
