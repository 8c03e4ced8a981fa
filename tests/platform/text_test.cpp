#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

using namespace orvane::platform;

TEST(Text, DecimalRules) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Row {
        const char* rule;
        std::string_view text, skipped;
        int32_t value;
        bool hasDigits;
        std::size_t end;
    };
    const Row rows[] = {
        {"white space, sign and digits, the rest left", " \t\v-42x", kWhiteSpace, -42, true, 6},
        {"skips only what it is told", "\v7", kBlanks, 0, false, 0},
        {"a plus sign", "+7", {}, 7, true, 2},
        {"a sign without digits", "-", kWhiteSpace, 0, false, 1},
        {"stops at the top of the range", "99999999999999999999", {}, kMax, true, 20},
        {"stops at the bottom of the range", "-2147483649", {}, kMin, true, 11},
        {"the bottom itself", "-2147483648", {}, kMin, true, 11},
    };
    for (const Row& row : rows) {
        DecimalRead read = ReadDecimal(row.text, row.skipped);
        EXPECT_EQ(read.value, row.value) << row.rule;
        EXPECT_EQ(read.hasDigits, row.hasDigits) << row.rule;
        EXPECT_EQ(read.end, row.end) << row.rule;
    }
}

TEST(Text, HexRules) {
    const std::pair<std::string_view, std::optional<uint32_t>> rows[] = {
        {"09", 9},
        {"aF", 0xAF},
        {"FFFFFFFF", 0xFFFFFFFF},
        {"", std::nullopt},
        {"g0", std::nullopt},
        {"+1", std::nullopt},
        {"123456789", std::nullopt}};
    for (const auto& [digits, value] : rows) EXPECT_EQ(ReadHex(digits), value) << digits;
    // Option values: the whole text, digits only.
    EXPECT_EQ(ReadUnsigned("4294967295"), 4294967295u);
    for (std::string_view bad : {"", "+1", " 1", "1x", "4294967296"})
        EXPECT_EQ(ReadUnsigned(bad), std::nullopt) << bad;
}
