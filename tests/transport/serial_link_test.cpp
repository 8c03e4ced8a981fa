#include "transport/serial_link.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "fault_checks.h"
#include "support/peers.h"

using namespace orvane::transport;

// The exclusive flag: a second open is refused while the first holds the line,
// and neither a close nor a failed open leaves the line locked. As an ordinary
// user, whom the flag keeps out (root it does not).
TEST(SerialLink, AFailedOrClosedOpenLeavesTheLineFree) {
    auto peer = orvane::testing::MakeSerialPeer();
    ASSERT_EQ(::chmod(peer->path().c_str(), 0666), 0);
    orvane::testing::ScopedOrdinaryUser user;
    ASSERT_TRUE(user.ok());
    EXPECT_EQ(SerialLink::Open(peer->path(), 12345).error, EINVAL);
    auto first = SerialLink::Open(peer->path(), 19200).link;
    ASSERT_TRUE(first);
    EXPECT_EQ(SerialLink::Open(peer->path(), 19200).error, EBUSY);
    first.reset();
    LinkResult again = SerialLink::Open(peer->path(), 19200);
    EXPECT_TRUE(again.link) << std::strerror(again.error);
}
