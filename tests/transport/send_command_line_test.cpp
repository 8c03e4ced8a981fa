#include "transport/send_command_line.h"

#include <gtest/gtest.h>

using orvane::transport::CommandLineBytes;

TEST(SendCommandLine, CaretRuleAndLineFeed) {
    EXPECT_EQ(CommandLineBytes("*IDN?"), "*IDN?\n");
    EXPECT_EQ(CommandLineBytes("^["), "\x1B\n");
    EXPECT_EQ(CommandLineBytes("^c"), "\x03\n");
    EXPECT_EQ(CommandLineBytes("^A"), "\x01\n");
    EXPECT_EQ(CommandLineBytes("^Zrest"), "\x1A\n");
    EXPECT_EQ(CommandLineBytes("^1"), "^1\n");
    EXPECT_EQ(CommandLineBytes("^@"), "^@\n");
    EXPECT_EQ(CommandLineBytes(std::string_view("ab\0cd", 5)), "ab\n");
}
