#include "sim/engine.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sim/command_interpreter.h"
#include "sim/instrument_config.h"

using namespace std::string_literals;
using namespace std::string_view_literals;
using orvane::sim::CommandInterpreter;
using orvane::sim::Engine;
using orvane::sim::FloodLine;
using orvane::sim::IdentityText;
using orvane::sim::InstrumentConfig;
using orvane::sim::Interpreter;

namespace {

std::string Ask(Engine& engine, std::string_view text, uint32_t now = 0) {
    engine.Feed(text.data(), text.size(), now);
    return engine.TakeOutput(now);
}

std::string Line(std::string_view text) {
    return std::string(text) + "\r\n";
}

}  // namespace

TEST(SimEngine, AnswersTheIdentityAndTextQueriesAndIgnoresTheRest) {
    InstrumentConfig config;
    config.maker = "Acme";
    config.model = "TRV98";
    config.serial = "777";
    config.furtherFields = {"2.01", "B"};
    config.calstr = "01_Jan_2024";
    config.calver = "02_Feb_2024";
    config.version = "V,7,1,2,3,4";
    Engine engine(config);

    EXPECT_EQ(Ask(engine, "*IDN?\n"), "Acme,TRV98,777,2.01,B\r\n");
    EXPECT_EQ(Ask(engine, "calstr?\ncalver?\nversion?\n"),
              "01_Jan_2024\r\n02_Feb_2024\r\nV,7,1,2,3,4\r\n");
    EXPECT_EQ(Ask(engine, "  *idn?  \n"), Line(IdentityText(config)));  // case and blanks
    EXPECT_EQ(Ask(engine, "read?\ntemp?\n"), "1.23450E+00\r\n2.35000E+01\r\n");
    EXPECT_EQ(Ask(engine, "nonsense?\nconfig,240,09\n*IDN\n"), "");
    EXPECT_EQ(engine.counters().unknownCommands, 2u);
    EXPECT_EQ(engine.Setting(240), "09");  // settings answer nothing but are kept
    EXPECT_EQ(engine.Setting(241), "");
    Ask(engine, "config,x1,5\nconfig,242\n");
    EXPECT_EQ(engine.Setting(242), "");
    EXPECT_EQ(engine.counters().identificationQueries, 2u);

    config.identity = "no comma here";
    Engine whole(config);
    EXPECT_EQ(Ask(whole, "*IDN?\n"), "no comma here\r\n");
}

TEST(SimEngine, CommandEndsAndResetBytes) {
    Engine engine;
    const std::string idn = Line(IdentityText(engine.config()));
    struct Case {
        std::string in;
        int answers;
    };
    const Case cases[] = {
        {"*IDN?\r\n", 1},             // CR LF answers once
        {"*IDN?\r", 1},               // a terminal's Enter
        {"*IDN?\n\0"s, 1},            // TCP: a zero byte after every command
        {"\x14\0^[\0*IDN?\n\0"s, 1},  // the wake-up a console sends first
        {"junk\x14*IDN?\n", 1},
        {"junk\0*IDN?\n"s, 1},
        {"junk\x1b*IDN?\n", 1},
        {"junk^[*IDN?\n", 1},
        {"*ID\x14N?\n", 0},  // a reset throws the first half away
        {"*IDN^[?\n", 0},
        {"*IDN?\n*IDN?\r*IDN?\r\n", 3},
        {std::string(300, 'x') + "\n*IDN?\n", 1},  // too long: dropped whole
        {std::string(300, ' ') + "*IDN?\n", 0},
    };
    for (const Case& c : cases) {
        std::string expected;
        for (int i = 0; i < c.answers; ++i) expected += idn;
        EXPECT_EQ(Ask(engine, c.in), expected) << "input of " << c.in.size() << " bytes";
    }

    // "^[" split between two reads still counts.
    EXPECT_EQ(Ask(engine, "*IDN?^"), "");
    EXPECT_EQ(Ask(engine, "[\n"), "");
}

TEST(SimEngine, CountsWakeUpBytesAndKeepsWhatItReceived) {
    Engine engine;
    Ask(engine, "\x14\0"sv);
    Ask(engine, "^[\0*IDN?\n\0"sv);
    EXPECT_EQ(engine.counters().dc4Bytes, 1u);
    EXPECT_EQ(engine.counters().zeroBytes, 3u);
    EXPECT_EQ(engine.received(), "\x14\0^[\0*IDN?\n\0"sv);

    std::string lots(3 * Engine::kReceivedKept, 'a');
    lots.back() = 'z';
    engine.Feed(lots.data(), lots.size(), 0);
    EXPECT_EQ(engine.received().size(), Engine::kReceivedKept);
    EXPECT_EQ(engine.received().back(), 'z');
    EXPECT_EQ(engine.counters().bytesReceived, 12u + lots.size());
}

TEST(SimEngine, AnswersIdentityOnlyFromTheNthQuery) {
    InstrumentConfig config;
    config.idnFromQuery = 3;
    Engine engine(config);
    EXPECT_EQ(Ask(engine, "*IDN?\n"), "");
    EXPECT_EQ(Ask(engine, "calstr?\n"), Line(config.calstr));  // other queries unaffected
    EXPECT_EQ(Ask(engine, "*IDN?\n"), "");
    EXPECT_EQ(Ask(engine, "*IDN?\n"), Line(IdentityText(config)));
    EXPECT_EQ(Ask(engine, "*IDN?\n"), Line(IdentityText(config)));
    EXPECT_EQ(engine.counters().identificationQueries, 4u);
}

TEST(SimEngine, TrickleReleasesOneByteEveryIntervalAcrossTheTickWrap) {
    InstrumentConfig config;
    config.trickleMs = 10;
    Engine engine(config);
    const uint32_t t0 = 0xFFFFFFF0u;
    const std::string reply = Line(config.calver);

    EXPECT_FALSE(engine.NextDue());
    engine.Feed("calver?\n", 8, t0);
    EXPECT_EQ(engine.TakeOutput(t0), "");
    EXPECT_EQ(engine.NextDue(), t0 + 10);
    EXPECT_EQ(engine.TakeOutput(t0 + 9), "");
    EXPECT_EQ(engine.TakeOutput(t0 + 10), reply.substr(0, 1));
    EXPECT_EQ(engine.NextDue(), t0 + 20);
    EXPECT_EQ(engine.TakeOutput(t0 + 35), reply.substr(1, 2));  // a late caller gets both

    std::string got = reply.substr(0, 3);
    uint32_t now = t0 + 35;
    while (auto due = engine.NextDue()) {
        now = *due;
        got += engine.TakeOutput(now);
    }
    EXPECT_EQ(got, reply);
    EXPECT_EQ(now, t0 + 10 * static_cast<uint32_t>(reply.size()));
}

TEST(SimEngine, HangsUpAfterSendingTheGivenBytesUntilReconnected) {
    InstrumentConfig config;
    config.hangUpAfterBytes = 5;
    Engine engine(config);
    const std::string idn = Line(IdentityText(config));

    EXPECT_EQ(Ask(engine, "*IDN?\n"), idn.substr(0, 5));
    EXPECT_TRUE(engine.HangUp());
    EXPECT_FALSE(engine.NextDue());
    EXPECT_EQ(Ask(engine, "*IDN?\n"), "");

    engine.Reconnect(1);
    EXPECT_FALSE(engine.HangUp());
    EXPECT_EQ(Ask(engine, "*I"), "");
    engine.Reconnect(2);  // the half command does not survive a new connection
    EXPECT_EQ(Ask(engine, "DN?\n*IDN?\n"), idn.substr(0, 5));
    EXPECT_EQ(engine.counters().connections, 2u);
}

TEST(SimEngine, SilentInstrumentListensButNeverSends) {
    InstrumentConfig config;
    config.silent = true;
    config.flood = true;
    Engine engine(config);
    EXPECT_EQ(Ask(engine, "*IDN?\nreadbin?\n"), "");
    EXPECT_EQ(engine.TakeOutput(100), "");
    EXPECT_FALSE(engine.NextDue());
    EXPECT_EQ(engine.counters().identificationQueries, 1u);
}

TEST(SimEngine, FloodStartsWhenSpokenToAndIsBoundedPerMillisecond) {
    InstrumentConfig config;
    config.flood = true;
    Engine engine(config);
    EXPECT_EQ(engine.TakeOutput(0), "");
    EXPECT_FALSE(engine.NextDue());

    engine.Feed("\x14", 1, 5);
    std::string first = engine.TakeOutput(5);
    EXPECT_GE(first.size(), Engine::kFloodBurst);
    EXPECT_LT(first.size(), 2 * Engine::kFloodBurst);
    EXPECT_EQ(first.substr(0, 2 * FloodLine(1).size()), FloodLine(1) + FloodLine(2));
    EXPECT_EQ(engine.TakeOutput(5), "");
    EXPECT_EQ(engine.NextDue(), 6u);

    std::string all = first + engine.TakeOutput(6);
    std::string expected;
    for (uint64_t n = 1; expected.size() < all.size(); ++n) expected += FloodLine(n);
    EXPECT_EQ(all, expected);  // numbered without gaps across bursts

    engine.Reconnect(7);
    EXPECT_EQ(engine.TakeOutput(8), "");

    config.floodWithoutLineEnds = true;
    Engine raw(config);
    raw.Feed("\x14", 1, 5);
    EXPECT_EQ(raw.TakeOutput(5).substr(0, 33), "FLOOD 0000000001FLOOD 0000000002F");
}

TEST(SimEngine, InterpreterCanHandOverFromInsideItsOwnReceive) {
    // Stands in for a bootloader: answers "!" to every byte, and goes back to the
    // command language on "q", destroying itself in the middle of its own call.
    struct Echo final : Interpreter {
        void Receive(uint8_t byte, Engine& engine) override {
            engine.Send("!");
            if (byte == 'q') engine.SwitchInterpreter(std::make_unique<CommandInterpreter>());
        }
        void Reset() override {}
    };
    Engine engine;
    engine.SwitchInterpreter(std::make_unique<Echo>());
    EXPECT_EQ(Ask(engine, "abq*IDN?\n"), "!!!" + Line(IdentityText(engine.config())));
}
