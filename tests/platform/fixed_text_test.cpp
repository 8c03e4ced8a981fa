#include "platform/fixed_text.h"

#include <gtest/gtest.h>

#include <string>

using orvane::platform::FixedText;

TEST(FixedText, CutsAtCapacityAndStopsAtZeroByte) {
    FixedText<7> port;
    EXPECT_TRUE(port.empty());
    port = "COM3";
    EXPECT_EQ(port, "COM3");
    port = "ttyUSB12345";
    EXPECT_EQ(port.view(), "ttyUSB");
    EXPECT_EQ(port.size(), 6u);

    FixedText<128> identity(std::string(300, 'x'));
    EXPECT_EQ(identity.size(), 127u);

    port = std::string_view("ab\0cd", 5);
    EXPECT_EQ(port, "ab");
    port = static_cast<const char*>(nullptr);
    EXPECT_TRUE(port.empty());

    // Assigning a part of itself is safe.
    FixedText<16> t("hello world");
    t = t.view().substr(6);
    EXPECT_EQ(t, "world");
}
