#include "platform/clock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/fake_clock.h"

using orvane::platform::TicksSince;

// Ticks wrap at 32 bits; a wait runs the fake clock's pumps each millisecond
// and returns as soon as input comes, on both clocks.
TEST(Clock, TicksWrapAndWaitsEndOnInput) {
    EXPECT_EQ(TicksSince(5u, 0xFFFFFFFBu), 10u);
    orvane::testing::FakeClock fake(0xFFFFFFF0u);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    bool written = false;
    fake.AddPump([&](uint32_t now) {
        if (now == 5u && !written) written = ::write(fds[1], "x", 1) == 1;  // after the wrap
    });
    EXPECT_TRUE(fake.WaitReadable(fds[0], 100));
    EXPECT_EQ(fake.TickCount(), 5u);
    char c;
    ASSERT_EQ(::read(fds[0], &c, 1), 1);
    EXPECT_FALSE(fake.WaitReadable(fds[0], 30));
    EXPECT_EQ(fake.TickCount(), 35u);

    orvane::platform::SystemClock clock;
    EXPECT_FALSE(clock.WaitReadable(fds[0], 0));
    ASSERT_EQ(::write(fds[1], "y", 1), 1);
    uint32_t start = clock.TickCount();
    EXPECT_TRUE(clock.WaitReadable(fds[0], 5000));
    EXPECT_LT(TicksSince(clock.TickCount(), start), 1000u);
    EXPECT_GE(clock.Now().year, 2020);
    ::close(fds[0]);
    ::close(fds[1]);
}
