// The whole upgrade, as a user runs it: a hex file made by objcopy from a
// random binary, a descriptor for it, and the upgrade command against
// orvane2-sim over a pseudo-terminal and over TCP, in real time.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "connection/connect_and_identify.h"
#include "firmware/bootloader_protocol.h"
#include "firmware/upgrade_flow.h"
#include "platform/diagnostics.h"
#include "sim/instrument_config.h"
#include "support/fake_main_window.h"
#include "support/fake_upgrade_dialogs.h"
#include "support/sim_process.h"
#include "transport/channel.h"

namespace orvane::firmware {
namespace {

using Exchange = std::pair<std::string, std::string>;  // ">>" or "<<", and the text

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The comms log as the sends and replies it holds, in order.
std::vector<Exchange> Conversation(const std::string& log) {
    static const std::regex stamp(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] )");
    static const std::regex entry(R"(^\(\d+\) \[serial:[^\]]*\] ?(>>|<<)\t)");
    std::vector<Exchange> out;
    for (std::sregex_token_iterator it(log.begin(), log.end(), stamp, -1), end; it != end; ++it) {
        std::string chunk = *it;
        std::smatch m;
        if (!std::regex_search(chunk, m, entry)) continue;
        std::string text = m.suffix();
        if (m[1] == "<<" && !text.empty()) text.pop_back();  // the log's own line end
        out.emplace_back(m[1], text);
    }
    return out;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane2-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = std::string(pattern) + "/";
        std::mt19937 random(20260909);
        binary_.resize(70000);  // past 64 KiB, so the file needs an extended address record
        for (char& c : binary_) c = static_cast<char>(random());
        std::ofstream(dir_ + "fw.bin", std::ios::binary) << binary_;
        std::string objcopy = "objcopy -I binary -O ihex " + dir_ + "fw.bin " + dir_ + "fw.hex";
        ASSERT_EQ(std::system(objcopy.c_str()), 0) << objcopy;
        std::istringstream hex(Slurp(dir_ + "fw.hex"));
        for (std::string line; std::getline(hex, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            records_.push_back(line);
        }
        std::ofstream(dir_ + "fw.upg") << "TARGET,TRV88,3,gteq\nLOAD,0,fw.hex\n";
    }
    void TearDown() override {
        transport::CloseChannel(record_);
        std::filesystem::remove_all(dir_);
    }

    void Upgrade(std::vector<std::string> simArgs, bool lan) {
        simArgs.insert(simArgs.end(), {"--bootloader", "erase-ms=50,image=" + dir_ + "flash"});
        testing::SimProcess sim(simArgs);
        sim.LinesUntilReady();
        if (lan) {
            record_.linkOptions.tcpPort = sim.TcpPort();
            record_.interfaceKind = transport::InterfaceKind::Lan;
            record_.ipAddress = "127.0.0.1";
        } else {
            record_.interfaceKind = transport::InterfaceKind::Usb;
            record_.comPort = sim.PtyPath();
            record_.baudRate = 19200;
        }
        // Connected as the shell leaves it.
        record_.instrumentReady = connection::ConnectAndIdentify(boxes_, cursor_, record_, false);
        ASSERT_TRUE(record_.instrumentReady);
        record_.pollReplies = true;
        const std::string identity = record_.identity.str();

        files_.openAnswers.push_back(dir_ + "fw.upg");
        record_.linkOptions.diagnostics = &log_;
        log_.SetCommsLogFile(dir_ + "comms.log");
        EXPECT_TRUE(RunFirmwareUpgrade({boxes_, files_, cursor_, dialogs_}, record_));
        log_.SetCommsLogFile("");
        EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{});
        EXPECT_TRUE(record_.pollReplies);
        ASSERT_EQ(dialogs_.views.size(), 1u);
        EXPECT_FALSE(dialogs_.views[0]->timedOut);

        EXPECT_EQ(Slurp(dir_ + "flash.0"), binary_) << "the flash holds the binary";
        EXPECT_EQ(Slurp(dir_ + "flash.log"), "enter\ninit\nselect 0\nerase 0\nselect 0\nrecords " +
                                                 std::to_string(records_.size()) + "\nrestart\n");

        // Each entry has its own line: a send without a line end gets one.
        std::vector<Exchange> expected = {{">>", kEnterBootloader + std::string("\n")},
                                          {">>", kInitialiseCode},
                                          {"<<", "ok"},
                                          {">>", kSectorCodes[0]},
                                          {"<<", "ok"},
                                          {">>", kEraseCommand + std::string("\n")},
                                          {"<<", "ok"},
                                          {">>", kSectorCodes[0]},
                                          {"<<", "ok"}};
        for (const std::string& record : records_) {
            expected.push_back({">>", record + "\n\r\n"});
            expected.push_back({"<<", "ok"});
        }
        expected.push_back({">>", kRestartCommand});
        expected.push_back({">>", kRestartByte + std::string("\n")});
        std::vector<Exchange> said = Conversation(Slurp(dir_ + "comms.log"));
        auto entry = std::find(said.begin(), said.end(), expected.front());
        ASSERT_NE(entry, said.end());
        ASSERT_GE(static_cast<std::size_t>(said.end() - entry), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), entry))
            << "the conversation, in order";

        // The instrument answers as an application again, on the connection the
        // dialog left (re-made over TCP).
        ASSERT_TRUE(record_.channelOpen);
        transport::ChannelSend("*IDN?\n", record_);
        std::string reply;
        transport::ChannelReceiveLine(reply, 256, record_);
        EXPECT_EQ(reply, identity);
    }

    std::string dir_;
    std::string binary_;
    std::vector<std::string> records_;
    platform::SystemClock clock_;
    platform::Diagnostics log_{clock_};
    transport::ConnectionRecord record_;
    testing::FakeMessageBoxes boxes_;
    testing::FakeFileDialogs files_;
    testing::FakeUpgradeDialogs dialogs_;
    testing::FakeWaitCursor cursor_;
};

TEST_F(EndToEnd, OverAPseudoTerminal) {
    Upgrade({"--pty"}, false);
}

TEST_F(EndToEnd, OverTcpLoopback) {
    Upgrade({"--tcp", "127.0.0.1:0"}, true);
}

}  // namespace
}  // namespace orvane::firmware
